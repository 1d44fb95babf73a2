#include "text_box.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QTextDocument>

#include "code_page_text.h"

namespace drill {

CodePageTextEdit::CodePageTextEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab moves on to the next control, as the tab order says.
    setTabChangesFocus(true);
}

std::string CodePageTextEdit::codePageText() const {
    // The raw text keeps no-break spaces (plain text turns them into blanks)
    // and breaks blocks with U+2029, which fromQt makes CR LF.
    return fromQt(document()->toRawText());
}

void CodePageTextEdit::setCodePageText(const std::string& text) {
    setPlainText(toQt(text));
}

void CodePageTextEdit::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    const QString limited = limitToCodePage(typed);
    if (limited == typed) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    QKeyEvent replaced(event->type(), event->key(), event->modifiers(), event->nativeScanCode(),
                       event->nativeVirtualKey(), event->nativeModifiers(), limited,
                       event->isAutoRepeat(), static_cast<quint16>(event->count()), event->device());
    QPlainTextEdit::keyPressEvent(&replaced);
    event->setAccepted(replaced.isAccepted());
}

void CodePageTextEdit::inputMethodEvent(QInputMethodEvent* event) {
    const QString commit = event->commitString();
    const QString limited = limitToCodePage(commit);
    if (limited == commit) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent replaced(event->preeditString(), event->attributes());
    replaced.setCommitString(limited, event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&replaced);
    event->setAccepted(replaced.isAccepted());
}

void CodePageTextEdit::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || !source->hasText()) return;
    // Pasted CR LF or CR is one line break, as when the system sets a text.
    QString text = source->text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    QMimeData plain;
    plain.setText(limitToCodePage(text));
    QPlainTextEdit::insertFromMimeData(&plain);
}

void limitToCodePage(QLineEdit* edit) {
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
        const QString limited = limitToCodePage(QStringView(text));
        if (limited == text) return;
        // Keep the caret after the same characters; a surrogate pair
        // shrinks to one '?'.
        const int caret = edit->cursorPosition();
        const auto newCaret = limitToCodePage(QStringView(text).left(caret)).size();
        edit->setText(limited);
        edit->setCursorPosition(static_cast<int>(newCaret));
    });
}

}  // namespace drill
