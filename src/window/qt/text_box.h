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
#include <vector>

#include "text_lines.h"
#include "window/edit_history.h"

class QLineEdit;
class QMimeData;

namespace drill {

// The multi-line boxes txt_question and txt_answer. The box keeps its text as
// the code-page bytes it reads back (lines broken by CR LF) and lays them out
// itself: a paragraph as long as a whole notes file is wrapped in one pass
// over its bytes and only the lines in view are drawn, where a Qt text
// document shapes and wraps all of it at once, and again at every keystroke.
// Caret, selection, keys, clipboard and input methods behave as in Qt's own
// plain-text box.
//
// Positions in this interface are Qt's: characters, a line break one.
class CodePageTextEdit : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CodePageTextEdit(QWidget* parent = nullptr);
    ~CodePageTextEdit() override;

    // The whole text in the code page, lines broken by CR LF.
    std::string codePageText() const { return text_; }
    // CR LF, a lone CR and a lone LF each break a line. The caret goes to
    // the start, the start comes into view, and nothing is left to undo.
    void setCodePageText(const std::string& text);

    // The same in Qt's terms, lines broken by "\n"; what the code page lacks
    // becomes '?'.
    QString toPlainText() const;
    void setPlainText(const QString& text);
    // Replaces the selection with the text, as typing it would.
    void insertPlainText(const QString& text);

    int position() const { return toChars(caret_); }
    int anchor() const { return toChars(anchor_); }
    // Moves the caret, keeping the anchor where it was or bringing it along.
    void setPosition(int position, bool keepAnchor = false);
    bool hasSelection() const { return caret_ != anchor_; }
    // The selected text in Qt's terms, as copying gives it.
    QString selectedText() const;

    bool isUndoAvailable() const { return history_.canUndo(); }
    bool isRedoAvailable() const { return history_.canRedo(); }
    bool isModified() const { return modified_; }

    // The lines as shown at the box's width: how many, and where each starts
    // (where a line was wrapped, that position is at the start of the next).
    int lineCount() const;
    int lineStart(int line) const;
    int lineOfPosition(int position) const;
    QRect caretRect() const;
    // How many bytes the last change or resize laid out anew.
    std::size_t lastLaidOut() const { return lastLaidOut_; }

    // Characters, in Qt's terms, between two positions; and the count.
    QString textBetween(int from, int to) const;
    int characterCount() const { return toChars(text_.size()); }

public slots:
    void undo();
    void redo();
    void cut();
    void copy() const;
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

    using Run = EditHistory::Run;

    void limitedKeyPress(QKeyEvent* event);
    bool moveKey(QKeyEvent* event);
    bool editKey(QKeyEvent* event);
    void limitedInputMethod(QInputMethodEvent* event);
    void insertFromMimeData(const QMimeData* source);

    // Every change of the text by the student goes through replace (undo,
    // layout, caret, paint); apply changes text and layout alone.
    void replace(std::size_t at, std::size_t length, const std::string& bytes, Run run = Run::None);
    void replaceSelection(const std::string& bytes, Run run = Run::None);
    void apply(std::size_t at, std::size_t length, std::string_view bytes);

    // Positions in bytes, a line break two; Qt's positions count it once.
    int toChars(std::size_t bytes) const;
    std::size_t toBytes(int chars) const;
    std::size_t nextChar(std::size_t at) const;
    std::size_t previousChar(std::size_t at) const;
    std::size_t nextWord(std::size_t at) const;
    std::size_t previousWord(std::size_t at) const;
    std::size_t paragraphStart(std::size_t at) const;
    std::size_t paragraphEnd(std::size_t at) const;

    void moveCaret(std::size_t to, bool keepAnchor, bool keepColumn = false);
    std::size_t lineOf(std::size_t at) const;
    std::size_t contentEnd(std::size_t line) const;
    std::size_t lineEndForCaret(std::size_t line) const;
    std::size_t verticalTarget(std::size_t lines, bool down, bool clampToEnds);
    std::size_t hitTest(const QPoint& point) const;
    QRect caretRectAt(std::size_t at) const;

    const TextMetrics& metrics() const;
    void ensureLayout() const;
    void relayoutAfter(std::size_t at, std::size_t removed, std::size_t inserted);
    Fixed wrapWidth() const;
    int visibleLines() const;
    void updateScrollBar();
    void ensureCaretVisible();
    void caretMoved();
    void restartBlink();
    void publishSelection() const;
    void drawLine(QPainter& painter, std::size_t line, qreal y, std::size_t selFrom, std::size_t selTo) const;

    std::string text_;  // code-page bytes, lines broken by CR LF
    std::size_t caret_ = 0;
    std::size_t anchor_ = 0;
    Fixed wantedX_ = -1;  // the column Up and Down keep to, once set

    mutable std::unique_ptr<TextMetrics> metrics_;
    mutable std::vector<std::size_t> lines_;  // where each line starts; empty when not laid out
    mutable Fixed laidOutWidth_ = -1;
    mutable std::size_t lastLaidOut_ = 0;

    EditHistory history_;
    bool modified_ = false;

    QString preedit_;
    QBasicTimer blink_;
    bool caretShown_ = true;
    bool selecting_ = false;
};

// Keeps a one-line box to one line of the code page as the student edits it.
void limitToCodePage(QLineEdit* edit);

}  // namespace drill
