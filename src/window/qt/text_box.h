#pragma once
// Text boxes that hold only characters of the code page: whatever is typed,
// pasted or dropped that the code page lacks shows as '?' at once, so the
// student sees exactly what will be recorded.
#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QString>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "window/editing/text_editor.h"

class QLineEdit;
class QMimeData;

namespace drill {

class BoxFont;

// The multi-line boxes txt_question and txt_answer: the shared editing core
// with Qt's fonts, painting, events, clipboard, input methods and
// accessibility around it. It keeps the text as the code-page bytes it
// reads back (lines broken by CR LF); a paragraph as long as a whole notes
// file is wrapped in one pass over its bytes and only the lines in view are
// drawn, where a Qt text document shapes and wraps all of it at once, and
// again at every keystroke. Caret, selection, keys, mouse and undo behave as
// in Qt's own plain-text box.
//
// Positions in this interface are Qt's: characters, a line break one.
class CodePageTextEdit : public QAbstractScrollArea, private editing::EditorHost {
    Q_OBJECT
public:
    explicit CodePageTextEdit(QWidget* parent = nullptr);
    ~CodePageTextEdit() override;

    // The whole text in the code page, lines broken by CR LF.
    const std::string& codePageText() const { return editor_.text(); }
    // A text the program puts in the box: CR LF, a lone CR and a lone LF
    // each break a line. The caret goes to the start and the start comes
    // into view; undo brings back what was there.
    void setCodePageText(const std::string& text);
    // The same with nothing left to undo, as the box is made with its text.
    void resetCodePageText(const std::string& text);

    // The same in Qt's terms, lines broken by "\n"; what the code page lacks
    // becomes '?'. Setting a plain text leaves nothing to undo, as in Qt.
    QString toPlainText() const;
    void setPlainText(const QString& text);
    // Replaces the selection with the text, as typing it would.
    void insertPlainText(const QString& text);

    int position() const { return toChars(editor_.caret()); }
    int anchor() const { return toChars(editor_.anchor()); }
    // Moves the caret, keeping the anchor where it was or bringing it along.
    void setPosition(int position, bool keepAnchor = false);
    bool hasSelection() const { return editor_.hasSelection(); }
    // The selected text in Qt's terms, as copying gives it.
    QString selectedText() const;

    bool isUndoAvailable() const { return editor_.canUndo(); }
    bool isRedoAvailable() const { return editor_.canRedo(); }
    bool isModified() const { return editor_.modified(); }

    // The lines as shown at the box's width: how many, and where each starts
    // (where a line was wrapped, that position is at the start of the next).
    int lineCount() const;
    int lineStart(int line) const;
    int lineOfPosition(int position) const;
    QRect caretRect() const;
    // Where the caret would stand at a position.
    QRect cursorRectAt(int position) const { return caretRectAt(toBytes(position)); }
    // How many bytes the last change or resize laid out anew.
    std::size_t lastLaidOut() const { return editor_.lastLaidOut(); }

    // Characters, in Qt's terms, between two positions; and the count.
    QString textBetween(int from, int to) const;
    int characterCount() const { return toChars(editor_.text().size()); }

public slots:
    void undo();
    void redo();
    void cut();
    void copy();
    void paste();
    void selectAll();
    void clear();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    friend class TextBoxAccessible;

    // What the editing core asks of the view.
    const editing::Metrics& metrics() override;
    editing::Coord wrapWidth() override;
    int viewHeight() override;
    void textChanged(const editing::TextChange& change) override;
    void selectionChanged() override;
    void scrolled() override;
    std::string clipboardText() override;
    void setClipboardText(std::string_view text) override;

    void dropComposition();
    void limitedKeyPress(QKeyEvent* event);
    bool moveKey(QKeyEvent* event);
    bool editKey(QKeyEvent* event);
    void limitedInputMethod(QInputMethodEvent* event);
    void insertFromMimeData(const QMimeData* source);

    // Positions in bytes, a line break two; Qt's positions count it once.
    int toChars(std::size_t bytes) const;
    std::size_t toBytes(int chars) const;

    const BoxFont& boxFont() const;
    // The core, for what a const member asks: laying out is no change.
    editing::TextEditor& core() const { return const_cast<editing::TextEditor&>(editor_); }
    editing::Coord textX(const QPoint& point) const;
    QRect caretRectAt(std::size_t at) const;
    void updateScrollBar();
    void restartBlink();
    void publishSelection() const;
    void drawLine(QPainter& painter, std::size_t line, qreal y, std::size_t selFrom, std::size_t selTo) const;

    mutable std::unique_ptr<BoxFont> font_;
    editing::TextEditor editor_;

    QString preedit_;
    QBasicTimer blink_;
    QBasicTimer tripleClick_;
    QPoint tripleClickAt_;
    bool caretShown_ = true;
    bool selecting_ = false;
    bool syncingBar_ = false;
};

// Keeps a one-line box to one line of the code page as the student edits it.
void limitToCodePage(QLineEdit* edit);

}  // namespace drill
