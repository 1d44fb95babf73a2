#include "text_box.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QGlyphRun>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <algorithm>
#include <cstring>
#include <string_view>

#include "application.h"
#include "box_font.h"
#include "code_page_text.h"
#include "text_box_accessible.h"

namespace drill {

namespace {

using editing::Coord;

// Between the box's edge and its text, as in Qt's text boxes.
constexpr int kMargin = 4;
// What an input method is told of the text around the caret, either way: a
// paragraph may be megabytes long.
constexpr std::size_t kSurrounding = 512;

// Qt text as the box keeps it; pasted CR LF or CR is one line break, as when
// the system sets a text.
std::string toBoxBytes(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return fromQt(text);
}

// Whether a key types its text, as in Qt's text boxes: Ctrl with a letter
// is a command, not a character; AltGr (Ctrl+Alt) types.
bool typesText(const QKeyEvent& event) {
    const QString text = event.text();
    if (text.isEmpty()) return false;
    const QChar c = text.at(0);
    if (c.category() == QChar::Other_Format) return true;
    const Qt::KeyboardModifiers mods = event.modifiers();
    if (mods == Qt::ControlModifier || mods == (Qt::ControlModifier | Qt::ShiftModifier)) return false;
    return c.isPrint() || c.category() == QChar::Other_PrivateUse || c == u'\t' ||
           (c.isHighSurrogate() && text.size() > 1 && text.at(1).isLowSurrogate());
}

int toInt(std::size_t n) { return static_cast<int>(std::min<std::size_t>(n, INT32_MAX)); }

}  // namespace

CodePageTextEdit::CodePageTextEdit(QWidget* parent)
    : QAbstractScrollArea(parent), editor_(*this, editing::kQtConventions) {
    installTextBoxAccessibility();
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAcceptDrops(true);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    // Every pixel is painted here: nothing behind the box is painted first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(1);
}

CodePageTextEdit::~CodePageTextEdit() = default;

// ---- What the core asks of the view ---------------------------------------

// Made when first needed: the boxes are built before the first prompt shows,
// and laid out only once the window is.
const BoxFont& CodePageTextEdit::boxFont() const {
    if (!font_) font_ = std::make_unique<BoxFont>(font());
    return *font_;
}

const editing::Metrics& CodePageTextEdit::metrics() { return boxFont().metrics(); }

Coord CodePageTextEdit::wrapWidth() {
    // A box not yet sized wraps nothing, as Qt's boxes do.
    const int width = viewport()->width();
    if (width <= 0) return Coord{INT32_MAX} * kFixedOne;
    return Coord{width - 2 * kMargin} * kFixedOne;
}

int CodePageTextEdit::viewHeight() { return viewport()->height(); }

void CodePageTextEdit::textChanged(const editing::TextChange& change) {
    updateScrollBar();
    viewport()->update();
    if (!QAccessible::isActive()) return;
    // An addition is told as inserted text alone (a new question, read out as
    // a live region's would be), a deletion as removed text.
    const int at = toChars(change.at);
    const QString inserted = toQt(std::string_view(codePageText()).substr(change.at, change.inserted));
    if (change.removed.empty()) {
        QAccessibleTextInsertEvent event(this, at, inserted);
        QAccessible::updateAccessibility(&event);
    } else if (change.inserted == 0) {
        QAccessibleTextRemoveEvent event(this, at, toQt(change.removed));
        QAccessible::updateAccessibility(&event);
    } else {
        QAccessibleTextUpdateEvent event(this, at, toQt(change.removed), inserted);
        QAccessible::updateAccessibility(&event);
    }
}

void CodePageTextEdit::selectionChanged() {
    restartBlink();
    viewport()->update();
    if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImQueryInput);
    if (QAccessible::isActive()) {
        QAccessibleTextCursorEvent event(this, position());
        QAccessible::updateAccessibility(&event);
    }
}

void CodePageTextEdit::scrolled() {
    updateScrollBar();
    viewport()->update();
}

std::string CodePageTextEdit::clipboardText() {
    const QMimeData* held = QGuiApplication::clipboard()->mimeData();
    return held != nullptr && held->hasText() ? toBoxBytes(held->text()) : std::string();
}

void CodePageTextEdit::setClipboardText(std::string_view text) { QGuiApplication::clipboard()->setText(toQt(text)); }

// ---- Text -----------------------------------------------------------------

// Setting a box drops what an input method was composing in it.
void CodePageTextEdit::setCodePageText(const std::string& text) {
    dropComposition();
    editor_.put(text);
}

void CodePageTextEdit::resetCodePageText(const std::string& text) {
    dropComposition();
    editor_.reset(text);
}

void CodePageTextEdit::dropComposition() {
    if (preedit_.isEmpty()) return;
    preedit_.clear();
    viewport()->update();
}

QString CodePageTextEdit::toPlainText() const { return toQt(codePageText()); }

void CodePageTextEdit::setPlainText(const QString& text) { resetCodePageText(toBoxBytes(text)); }

void CodePageTextEdit::insertPlainText(const QString& text) { editor_.insert(toBoxBytes(text)); }

void CodePageTextEdit::clear() { resetCodePageText({}); }

QString CodePageTextEdit::textBetween(int from, int to) const {
    const std::size_t a = toBytes(from);
    const std::size_t b = toBytes(to);
    return a < b ? toQt(std::string_view(codePageText()).substr(a, b - a)) : QString();
}

QString CodePageTextEdit::selectedText() const { return toQt(editor_.selectedText()); }

void CodePageTextEdit::setPosition(int position, bool keepAnchor) {
    const std::size_t at = toBytes(position);
    editor_.select(keepAnchor ? editor_.anchor() : at, at);
}

int CodePageTextEdit::toChars(std::size_t bytes) const {
    const std::string& text = codePageText();
    std::size_t breaks = 0;
    const char* p = text.data();
    const char* const end = p + std::min(bytes, text.size());
    while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))) != nullptr) {
        ++breaks;
        ++p;
    }
    return toInt(std::min(bytes, text.size()) - breaks);
}

std::size_t CodePageTextEdit::toBytes(int chars) const {
    const std::string& text = codePageText();
    std::size_t left = chars > 0 ? static_cast<std::size_t>(chars) : 0;
    std::size_t at = 0;
    const std::size_t n = text.size();
    while (at < n) {
        const void* cr = std::memchr(text.data() + at, '\r', n - at);
        const std::size_t run = cr != nullptr ? static_cast<std::size_t>(static_cast<const char*>(cr) - text.data()) - at : n - at;
        if (left <= run) return at + left;
        // The line break is one character and two bytes.
        left -= run + 1;
        at += run + 2;
    }
    return n;
}

void CodePageTextEdit::undo() { editor_.undo(); }

void CodePageTextEdit::redo() { editor_.redo(); }

void CodePageTextEdit::cut() { editor_.cut(); }

void CodePageTextEdit::copy() { editor_.copy(); }

void CodePageTextEdit::paste() { editor_.paste(); }

void CodePageTextEdit::selectAll() {
    editor_.selectAll();
    publishSelection();
    if (QAccessible::isActive()) {
        QAccessibleTextSelectionEvent event(this, 0, characterCount());
        QAccessible::updateAccessibility(&event);
    }
}

void CodePageTextEdit::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || !source->hasText()) return;
    editor_.insert(toBoxBytes(source->text()));
}

// ---- Layout and scrolling -------------------------------------------------

int CodePageTextEdit::lineCount() const { return toInt(core().lineCount()); }

int CodePageTextEdit::lineStart(int line) const {
    return toChars(core().lineStart(static_cast<std::size_t>(std::max(line, 0))));
}

int CodePageTextEdit::lineOfPosition(int position) const { return toInt(core().lineOf(toBytes(position))); }

void CodePageTextEdit::updateScrollBar() {
    // Laid out when shown, at the width it is shown at.
    if (!isVisible()) return;
    QScrollBar* bar = verticalScrollBar();
    syncingBar_ = true;
    bar->setPageStep(toInt(editor_.pageLines()));
    bar->setRange(0, toInt(editor_.maxTop()));
    bar->setValue(toInt(editor_.top()));
    syncingBar_ = false;
}

void CodePageTextEdit::scrollContentsBy(int, int) {
    // The student moved the scroll bar.
    if (!syncingBar_) editor_.scrollTo(static_cast<std::size_t>(std::max(0, verticalScrollBar()->value())));
    viewport()->update();
}

void CodePageTextEdit::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (isVisible()) editor_.relayout();
    updateScrollBar();
}

void CodePageTextEdit::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    updateScrollBar();
}

void CodePageTextEdit::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        font_.reset();
        editor_.relayout();
        updateScrollBar();
        viewport()->update();
    }
}

// ---- Caret ----------------------------------------------------------------

QRect CodePageTextEdit::caretRectAt(std::size_t at) const {
    editing::TextEditor& e = core();
    const std::size_t line = e.lineOf(at);
    const qreal left = kMargin + static_cast<qreal>(e.shownX(at)) / kFixedOne;
    return QRectF(left, static_cast<qreal>(e.lineY(line)), 1, boxFont().metrics().lineHeight).toRect();
}

QRect CodePageTextEdit::caretRect() const { return caretRectAt(editor_.caret()); }

editing::Coord CodePageTextEdit::textX(const QPoint& point) const { return Coord{point.x() - kMargin} * kFixedOne; }

void CodePageTextEdit::restartBlink() {
    caretShown_ = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flash > 0)
        blink_.start(flash / 2, this);
    else
        blink_.stop();
}

void CodePageTextEdit::timerEvent(QTimerEvent* event) {
    if (event->timerId() == tripleClick_.timerId()) {
        tripleClick_.stop();
        return;
    }
    if (event->timerId() != blink_.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    caretShown_ = !caretShown_;
    viewport()->update(caretRect());
}

void CodePageTextEdit::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
    viewport()->update();
}

void CodePageTextEdit::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    blink_.stop();
    caretShown_ = false;
    viewport()->update();
}

void CodePageTextEdit::publishSelection() const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (hasSelection() && clipboard->supportsSelection()) clipboard->setText(selectedText(), QClipboard::Selection);
}

// ---- Painting -------------------------------------------------------------

void CodePageTextEdit::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QPalette& pal = palette();
    painter.fillRect(event->rect(), pal.brush(QPalette::Base));
    editing::TextEditor& e = editor_;
    const std::size_t lines = e.lineCount();
    const qreal height = boxFont().metrics().lineHeight;
    const QRect area = event->rect();
    for (std::size_t line = e.top(); line < lines; ++line) {
        const auto y = static_cast<qreal>(e.lineY(line));
        if (y >= viewport()->height()) break;
        if (y + height >= area.top() && y <= area.bottom())
            drawLine(painter, line, y, e.selectionStart(), e.selectionEnd());
    }
    const QRect caret = caretRect();
    if (!preedit_.isEmpty()) {
        // What an input method composes shows at the caret until it is done.
        QFont underlined = font();
        underlined.setUnderline(true);
        painter.setFont(underlined);
        const QFontMetricsF composed(underlined);
        painter.fillRect(QRectF(caret.x(), caret.y(), composed.horizontalAdvance(preedit_), height), pal.base());
        painter.setPen(pal.color(QPalette::Text));
        painter.drawText(QPointF(caret.x(), caret.y() + boxFont().ascent()), preedit_);
    } else if (hasFocus() && caretShown_ && caret.intersects(area)) {
        painter.fillRect(caret, pal.text());
    }
}

void CodePageTextEdit::drawLine(QPainter& painter, std::size_t line, qreal y, std::size_t selFrom,
                                std::size_t selTo) const {
    const BoxFont& f = boxFont();
    const editing::CharWidths& widths = f.metrics().widths;
    editing::TextEditor& e = core();
    const std::string& text = codePageText();
    const std::size_t start = e.lineStart(line);
    const std::size_t end = e.lineContentEnd(line);
    const std::size_t next = line + 1 < e.lineCount() ? e.lineStart(line + 1) : text.size();
    const qreal height = f.metrics().lineHeight;
    const QPalette& pal = palette();
    const auto px = [](Coord x) { return kMargin + static_cast<qreal>(x) / kFixedOne; };

    if (selFrom < selTo && selFrom < std::max(next, end + 1) && selTo > start) {
        const std::size_t a = std::max(selFrom, start);
        const std::size_t b = std::min(selTo, end);
        const Coord xa = widths.xOf(text, start, a);
        Coord xb = a < b ? xa + widths.xOf(text, a, b) : xa;
        // A selected line break shows as a blank's width.
        if (selTo > end && next > end) xb += widths.of(' ', xb);
        painter.fillRect(QRectF(px(xa), y, static_cast<qreal>(xb - xa) / kFixedOne, height), pal.highlight());
    }

    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const qreal baseline = y + f.ascent();
    const qreal right = viewport()->width();
    QList<quint32> glyphs[2];
    QList<QPointF> places[2];
    Coord x = 0;
    for (std::size_t i = start; i < end && px(x) < right; ++i) {
        const unsigned char c = s[i];
        const int selected = i >= selFrom && i < selTo ? 1 : 0;
        if (f.drawnByQt(c)) {
            painter.setPen(pal.color(selected != 0 ? QPalette::HighlightedText : QPalette::Text));
            painter.setFont(font());
            painter.drawText(QPointF(px(x), baseline), toQt(std::string_view(text).substr(i, 1)));
        } else if (!f.invisible(c)) {
            glyphs[selected].append(f.glyph(c));
            places[selected].append(QPointF(px(x), baseline));
        }
        x += widths.of(c, x);
    }
    for (int selected = 0; selected < 2; ++selected) {
        if (glyphs[selected].isEmpty()) continue;
        QGlyphRun run;
        run.setRawFont(f.rawFont());
        run.setGlyphIndexes(glyphs[selected]);
        run.setPositions(places[selected]);
        painter.setPen(pal.color(selected != 0 ? QPalette::HighlightedText : QPalette::Text));
        painter.drawGlyphRun(QPointF(0, 0), run);
    }
}

// ---- Keys -----------------------------------------------------------------

bool CodePageTextEdit::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Keys the box acts on are the box's, not a shortcut's elsewhere.
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
        static const QKeySequence::StandardKey own[] = {
            QKeySequence::Copy, QKeySequence::Paste, QKeySequence::Cut, QKeySequence::Undo,
            QKeySequence::Redo, QKeySequence::SelectAll, QKeySequence::Delete,
            QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfWord, QKeySequence::DeleteEndOfLine,
            QKeySequence::MoveToNextWord, QKeySequence::MoveToPreviousWord, QKeySequence::MoveToStartOfDocument,
            QKeySequence::MoveToEndOfDocument, QKeySequence::SelectNextWord, QKeySequence::SelectPreviousWord,
            QKeySequence::SelectStartOfDocument, QKeySequence::SelectEndOfDocument};
        bool mine = mods == Qt::NoModifier && !key->text().isEmpty() && key->text().at(0).isPrint();
        for (QKeySequence::StandardKey k : own) mine = mine || key->matches(k);
        if (mine) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void CodePageTextEdit::keyPressEvent(QKeyEvent* event) {
    guardedHandler([&] { limitedKeyPress(event); });
}

void CodePageTextEdit::limitedKeyPress(QKeyEvent* event) {
    // Tab and Backtab move on to the next control, as the tab order says.
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
        event->ignore();
        return;
    }
    if (moveKey(event) || editKey(event)) {
        event->accept();
        return;
    }
    if (typesText(*event)) {
        // What the code page lacks is '?' before it is typed.
        editor_.type(toBoxBytes(limitToCodePage(event->text())));
        event->accept();
        return;
    }
    event->ignore();
}

bool CodePageTextEdit::moveKey(QKeyEvent* event) {
    using editing::Move;
    struct Binding {
        QKeySequence::StandardKey move, select;
        Move op;
    };
    static const Binding bindings[] = {
        {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, Move::NextChar},
        {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, Move::PreviousChar},
        {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord, Move::NextWord},
        {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord, Move::PreviousWord},
        {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, Move::Down},
        {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, Move::Up},
        {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, Move::LineStart},
        {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, Move::LineEnd},
        {QKeySequence::MoveToStartOfBlock, QKeySequence::SelectStartOfBlock, Move::ParagraphStart},
        {QKeySequence::MoveToEndOfBlock, QKeySequence::SelectEndOfBlock, Move::ParagraphEnd},
        {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, Move::Start},
        {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, Move::End},
        {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, Move::PageDown},
        {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, Move::PageUp},
    };
    for (const Binding& b : bindings) {
        const bool select = event->matches(b.select);
        if (!select && !event->matches(b.move)) continue;
        editor_.move(b.op, select);
        if (select) publishSelection();
        return true;
    }
    return false;
}

bool CodePageTextEdit::editKey(QKeyEvent* event) {
    using editing::Erase;
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
    } else if (event->matches(QKeySequence::Undo)) {
        editor_.undo();
    } else if (event->matches(QKeySequence::Redo)) {
        editor_.redo();
    } else if (event->matches(QKeySequence::Cut)) {
        editor_.cut();
    } else if (event->matches(QKeySequence::Copy)) {
        editor_.copy();
    } else if (event->matches(QKeySequence::Paste)) {
        editor_.paste();
    } else if (event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier)) {
        editor_.erase(Erase::PreviousChar);
    } else if (event->matches(QKeySequence::Delete)) {
        editor_.erase(Erase::NextChar);
    } else if (event->matches(QKeySequence::DeleteStartOfWord)) {
        editor_.erase(Erase::PreviousWord);
    } else if (event->matches(QKeySequence::DeleteEndOfWord)) {
        editor_.erase(Erase::NextWord);
    } else if (event->matches(QKeySequence::DeleteEndOfLine)) {
        editor_.erase(Erase::ToParagraphEnd);
    } else if (event->matches(QKeySequence::InsertParagraphSeparator) ||
               event->matches(QKeySequence::InsertLineSeparator)) {
        editor_.insert("\r\n");
    } else {
        return false;
    }
    return true;
}

// ---- Input methods --------------------------------------------------------

void CodePageTextEdit::inputMethodEvent(QInputMethodEvent* event) {
    guardedHandler([&] { limitedInputMethod(event); });
}

void CodePageTextEdit::limitedInputMethod(QInputMethodEvent* event) {
    if (event->replacementLength() > 0 || event->replacementStart() != 0) {
        // The replacement counts characters from the caret.
        std::size_t from = editor_.caret();
        for (int k = event->replacementStart(); k < 0; ++k) from = editor_.previousChar(from);
        for (int k = 0; k < event->replacementStart(); ++k) from = editor_.nextChar(from);
        std::size_t to = from;
        for (int k = 0; k < event->replacementLength(); ++k) to = editor_.nextChar(to);
        editor_.select(from, to);
    }
    if (!event->commitString().isEmpty() || hasSelection()) editor_.type(toBoxBytes(event->commitString()));
    preedit_ = limitToCodePage(event->preeditString());
    viewport()->update();
    event->accept();
}

QVariant CodePageTextEdit::inputMethodQuery(Qt::InputMethodQuery query) const {
    // Around the caret, within its paragraph, at most kSurrounding either way.
    const std::string& text = codePageText();
    const std::size_t caret = editor_.caret();
    std::size_t from = caret;
    while (from > 0 && caret - from < kSurrounding && text[from - 1] != '\n') --from;
    std::size_t to = caret;
    while (to < text.size() && to - caret < kSurrounding && text[to] != '\r') ++to;
    const auto within = [&](std::size_t at) { return toInt(std::clamp(at, from, to) - from); };
    switch (query) {
        case Qt::ImEnabled: return true;
        case Qt::ImCursorRectangle: return caretRect();
        case Qt::ImAnchorRectangle: return caretRectAt(editor_.anchor());
        case Qt::ImFont: return font();
        case Qt::ImCursorPosition: return within(caret);
        case Qt::ImAnchorPosition: return within(editor_.anchor());
        case Qt::ImSurroundingText: return toQt(std::string_view(text).substr(from, to - from));
        case Qt::ImTextBeforeCursor: return toQt(std::string_view(text).substr(from, caret - from));
        case Qt::ImTextAfterCursor: return toQt(std::string_view(text).substr(caret, to - caret));
        case Qt::ImCurrentSelection: return selectedText();
        case Qt::ImAbsolutePosition: return position();
        case Qt::ImHints: return static_cast<int>(inputMethodHints() | Qt::ImhMultiLine);
        case Qt::ImReadOnly: return false;
        default: return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// ---- Mouse, menu, drops ---------------------------------------------------

void CodePageTextEdit::mousePressEvent(QMouseEvent* event) {
    guardedHandler([&] {
        const QPoint p = event->position().toPoint();
        if (event->button() == Qt::LeftButton && tripleClick_.isActive() &&
            (p - tripleClickAt_).manhattanLength() < QApplication::startDragDistance()) {
            // A click soon after a double-click, near it.
            tripleClick_.stop();
            editor_.tripleClick();
            publishSelection();
        } else if (event->button() == Qt::LeftButton) {
            editor_.press(textX(p), p.y(), (event->modifiers() & Qt::ShiftModifier) != 0);
            selecting_ = true;
        } else if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
            const std::size_t at = editor_.positionAt(textX(p), p.y());
            editor_.select(at, at);
            insertFromMimeData(QGuiApplication::clipboard()->mimeData(QClipboard::Selection));
        }
    });
}

void CodePageTextEdit::mouseMoveEvent(QMouseEvent* event) {
    guardedHandler([&] {
        const QPoint p = event->position().toPoint();
        if (selecting_ && (event->buttons() & Qt::LeftButton)) editor_.dragTo(textX(p), p.y());
    });
}

void CodePageTextEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    selecting_ = false;
    publishSelection();
}

void CodePageTextEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    guardedHandler([&] {
        const QPoint p = event->position().toPoint();
        editor_.doubleClick(textX(p), p.y());
        selecting_ = false;
        publishSelection();
        tripleClickAt_ = p;
        tripleClick_.start(QApplication::doubleClickInterval(), this);
    });
}

void CodePageTextEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    const auto add = [&menu](const QString& text, QKeySequence::StandardKey key, bool enabled, auto run) {
        QAction* action = menu.addAction(text, [run] { guardedHandler(run); });
        action->setShortcut(QKeySequence(key));
        action->setEnabled(enabled);
    };
    const bool clipboardText = QGuiApplication::clipboard()->mimeData() != nullptr &&
                               QGuiApplication::clipboard()->mimeData()->hasText();
    add(tr("&Undo"), QKeySequence::Undo, isUndoAvailable(), [this] { editor_.undo(); });
    add(tr("&Redo"), QKeySequence::Redo, isRedoAvailable(), [this] { editor_.redo(); });
    menu.addSeparator();
    add(tr("Cu&t"), QKeySequence::Cut, hasSelection(), [this] { editor_.cut(); });
    add(tr("&Copy"), QKeySequence::Copy, hasSelection(), [this] { editor_.copy(); });
    add(tr("&Paste"), QKeySequence::Paste, clipboardText, [this] { editor_.paste(); });
    add(tr("Delete"), QKeySequence::Delete, hasSelection(), [this] { editor_.erase(editing::Erase::NextChar); });
    menu.addSeparator();
    add(tr("Select All"), QKeySequence::SelectAll, !codePageText().empty(), [this] { selectAll(); });
    menu.exec(event->globalPos());
}

void CodePageTextEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasText()) event->acceptProposedAction();
}

void CodePageTextEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasText()) event->acceptProposedAction();
}

void CodePageTextEdit::dropEvent(QDropEvent* event) {
    guardedHandler([&] {
        const QPoint p = event->position().toPoint();
        const std::size_t at = editor_.positionAt(textX(p), p.y());
        editor_.select(at, at);
        insertFromMimeData(event->mimeData());
        event->acceptProposedAction();
    });
}

// ---- One-line boxes -------------------------------------------------------

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
