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

    QRect characterRect(int offset) const override {
        const CodePageTextEdit* b = box();
        const std::size_t at = b->toBytes(offset);
        QRect r = b->caretRectAt(at);
        const QRect next = b->caretRectAt(b->nextChar(at));
        if (next.top() == r.top()) r.setRight(std::max(r.left(), next.left() - 1));
        return QRect(b->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        const CodePageTextEdit* b = box();
        return b->toChars(b->hitTest(b->viewport()->mapFromGlobal(point)));
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
