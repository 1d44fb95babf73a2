#include "text_box.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <cstring>
#include <string_view>

#include "application.h"
#include "code_page_text.h"

namespace drill {

namespace {

// True when every CR of the text has an LF after it and every LF a CR before
// it; memchr finds them fast in a long text.
bool onlyCrLf(std::string_view text) {
    if (text.empty()) return true;
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const auto next = [end](const char* from, char c) {
        return static_cast<const char*>(std::memchr(from, c, static_cast<std::size_t>(end - from)));
    };
    for (const char* p = next(begin, '\n'); p != nullptr; p = next(p + 1, '\n'))
        if (p == begin || p[-1] != '\r') return false;
    for (const char* p = next(begin, '\r'); p != nullptr; p = next(p + 1, '\r'))
        if (p + 1 == end || p[1] != '\n') return false;
    return true;
}

// What a box gives back for a text it was given: a CR LF, a lone CR and a
// lone LF each start a new line, and each reads back as CR LF; every other
// byte comes back as it went in.
std::string asReadBack(const std::string& text) {
    if (onlyCrLf(text)) return text;
    const std::size_t n = text.size();
    std::string out;
    out.reserve(n + n / 8);
    for (std::size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

// A box set to its own text with more after it gets only the more: Qt's text
// control tells a screen reader of each change to the document as it is made,
// so the new question is heard as inserted text rather than the whole box
// removed and inserted again; and setting megabytes anew costs more than a
// frame. A box that ends up longer than kLongBox is set anew all the same when
// it was shorter (megabytes added to a short box cost more than setting it),
// or when its last paragraph is longer than kLongParagraph (adding to it lays
// that paragraph out at once, and again when shown).
constexpr std::size_t kLongBox = 64 * 1024;
constexpr int kLongParagraph = 4096;

// Adds text at the end of a box and leaves the box as setting its whole text
// leaves it: no undo history, not modified, the cursor at the start and the
// start in view.
void appendAsSet(QPlainTextEdit& box, const QString& more) {
    QTextDocument* doc = box.document();
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    QTextCursor end(doc);
    end.movePosition(QTextCursor::End);
    end.insertText(more);
    box.setTextCursor(QTextCursor(doc));
    box.ensureCursorVisible();
    // A box set anew lays its lines out afresh as they come into view, and
    // until then counts each paragraph as one line (which sizes the scroll
    // bar): forget the lines laid out so far, as setting anew does.
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        block.clearLayout();
        block.setLineCount(block.isVisible() ? 1 : 0);
    }
    doc->markContentsDirty(0, doc->characterCount());
    doc->setUndoRedoEnabled(undo);
    doc->setModified(false);
}

}  // namespace

CodePageTextEdit::CodePageTextEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab moves on to the next control, as the tab order says.
    setTabChangesFocus(true);
    // Typing, pasting, undoing or any other change but setCodePageText's
    // own makes the box's text unknown again.
    connect(document(), &QTextDocument::contentsChange, this, [this] {
        if (!setting_) known_.reset();
    });
}

std::string CodePageTextEdit::codePageText() const {
    if (known_) return *known_;
    // The raw text keeps no-break spaces (plain text turns them into blanks)
    // and breaks blocks with U+2029, which fromQt makes CR LF.
    return fromQt(document()->toRawText());
}

void CodePageTextEdit::setCodePageText(const std::string& text) {
    std::optional<std::string> was = std::move(known_);
    known_.reset();
    setting_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{setting_};
    // The box already shows `was`, which has no lone CR or LF: text that
    // only adds to it, without a lone one either, is added at the end.
    if (was && text.size() > was->size() &&
        (text.size() <= kLongBox ||
         (was->size() >= kLongBox && document()->lastBlock().length() <= kLongParagraph)) &&
        text.compare(0, was->size(), *was) == 0) {
        const std::string_view more = std::string_view(text).substr(was->size());
        if (onlyCrLf(more)) {
            appendAsSet(*this, toQt(more));
            was->append(more);
            known_ = std::move(was);
            return;
        }
    }
    setPlainText(toQt(text));
    known_ = asReadBack(text);
}

void CodePageTextEdit::keyPressEvent(QKeyEvent* event) {
    guardedHandler([&] { limitedKeyPress(event); });
}

void CodePageTextEdit::limitedKeyPress(QKeyEvent* event) {
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
    guardedHandler([&] { limitedInputMethod(event); });
}

void CodePageTextEdit::limitedInputMethod(QInputMethodEvent* event) {
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
    guardedHandler([&] { limitedInsert(source); });
}

void CodePageTextEdit::limitedInsert(const QMimeData* source) {
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
        guardedHandler([&] {
            // One line only, in the code page. The box held one line before
            // this edit, so a line break can only have come in before the
            // caret, with what was just pasted: the rest of that paste goes,
            // and the text after the caret stays.
            const int caret = edit->cursorPosition();
            const QString head = limitToCodePage(firstLine(QStringView(text).left(caret)));
            const QString limited = head + limitToCodePage(QStringView(text).mid(caret));
            if (limited == text) return;
            // The caret stays after the same characters; a surrogate pair
            // shrinks to one '?'.
            edit->setText(limited);
            edit->setCursorPosition(static_cast<int>(head.size()));
        });
    });
}

}  // namespace drill
