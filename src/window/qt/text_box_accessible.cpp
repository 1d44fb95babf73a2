#include "text_box_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QScrollBar>
#include <algorithm>

#include "application.h"
#include "code_page_text.h"
#include "text_box.h"

namespace drill {

class TextBoxAccessible : public QAccessibleWidget,
                          public QAccessibleTextInterface,
                          public QAccessibleEditableTextInterface {
public:
    explicit TextBoxAccessible(CodePageTextEdit* box) : QAccessibleWidget(box, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        if (type == QAccessible::EditableTextInterface) return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = true;
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return box()->toPlainText();
        return QAccessibleWidget::text(t);
    }

    // The text interface.
    void selection(int index, int* start, int* end) const override {
        *start = *end = 0;
        if (index != 0 || !box()->hasSelection()) return;
        *start = std::min(box()->position(), box()->anchor());
        *end = std::max(box()->position(), box()->anchor());
    }
    int selectionCount() const override { return box()->hasSelection() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override { box()->setPosition(box()->position()); }
    void setSelection(int, int start, int end) override {
        box()->setPosition(start);
        box()->setPosition(end, true);
    }
    int cursorPosition() const override { return box()->position(); }
    void setCursorPosition(int position) override { box()->setPosition(position); }
    QString text(int start, int end) const override { return box()->textBetween(start, end); }
    int characterCount() const override { return box()->characterCount(); }

    // Characters, words, lines and paragraphs as the box's own core counts
    // them: a line is a line as shown, as Qt's box tells it.
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override {
        return unitText(offset, type, start, end);
    }
    // The unit before the one at the offset is the one at its first
    // character's left, and the unit after it the one at its end, as Qt's
    // own box tells them.
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override {
        if (type == QAccessible::NoBoundary || type == QAccessible::SentenceBoundary)
            return QAccessibleTextInterface::textBeforeOffset(offset, type, start, end);
        int first = 0, last = 0;
        unitText(offset, type, &first, &last);
        return unitText(first > 0 ? first - 1 : offset, type, start, end);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override {
        if (type == QAccessible::NoBoundary || type == QAccessible::SentenceBoundary)
            return QAccessibleTextInterface::textAfterOffset(offset, type, start, end);
        int first = 0, last = 0;
        unitText(offset, type, &first, &last);
        return unitText(last, type, start, end);
    }

    QRect characterRect(int offset) const override {
        const CodePageTextEdit* b = box();
        const std::size_t at = b->toBytes(offset);
        QRect r = b->caretRectAt(at);
        const QRect next = b->caretRectAt(b->core().nextChar(at));
        if (next.top() == r.top()) r.setRight(std::max(r.left(), next.left() - 1));
        return QRect(b->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        const CodePageTextEdit* b = box();
        const QPoint p = b->viewport()->mapFromGlobal(point);
        return b->toChars(b->core().positionAt(b->textX(p), p.y()));
    }
    void scrollToSubstring(int start, int) override { box()->setPosition(start); }
    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return {};
    }

    // The editable-text interface: edits as the student's own, limited to
    // the code page.
    void deleteText(int start, int end) override { replaceText(start, end, QString()); }
    void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
    void replaceText(int start, int end, const QString& text) override {
        guardedHandler([&] {
            CodePageTextEdit* b = box();
            b->setPosition(start);
            b->setPosition(end, true);
            b->insertPlainText(text);
        });
    }

private:
    CodePageTextEdit* box() const { return static_cast<CodePageTextEdit*>(widget()); }

    QString unitText(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const {
        using editing::Unit;
        if (type == QAccessible::SentenceBoundary || type == QAccessible::NoBoundary)
            return QAccessibleTextInterface::textAtOffset(offset, type, start, end);
        const Unit unit = type == QAccessible::CharBoundary   ? Unit::Character
                          : type == QAccessible::WordBoundary ? Unit::Word
                          : type == QAccessible::LineBoundary ? Unit::Line
                                                              : Unit::Paragraph;
        CodePageTextEdit* b = box();
        const int count = characterCount();
        *start = *end = -1;
        if (offset < 0 || offset > count) return {};
        const auto [first, last] = b->core().unitAt(b->toBytes(std::min(offset, count)), unit);
        *start = b->toChars(first);
        *end = b->toChars(last);
        return b->textBetween(*start, *end);
    }
};

namespace {

QAccessibleInterface* boxAccessibility(const QString& className, QObject* object) {
    if (className != QLatin1String(CodePageTextEdit::staticMetaObject.className())) return nullptr;
    auto* box = qobject_cast<CodePageTextEdit*>(object);
    return box != nullptr ? new TextBoxAccessible(box) : nullptr;
}

}  // namespace

void installTextBoxAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(boxAccessibility);
        return true;
    }();
    (void)installed;
}

}  // namespace drill
