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
#include "code_page_text.h"
#include "text_box_accessible.h"

namespace drill {

namespace {

// Between the box's edge and its text, as in Qt's text boxes.
constexpr int kMargin = 4;
// What an input method is told of the text around the caret, either way: a
// paragraph may be megabytes long.
constexpr std::size_t kSurrounding = 512;

// Blanks, as Qt's word moves see them.
bool isBlank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == 0xA0; }

// Punctuation a word move stops at, as in Qt.
bool isWordSeparator(unsigned char c) {
    return c != 0 && std::strchr(".,?!@#$:;-<>[](){}=/+%&^*'\"`~|\\", c) != nullptr;
}

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

// The text as the box keeps it: a CR LF, a lone CR and a lone LF each become
// CR LF; every other byte stays.
std::string withCrLf(std::string_view text) {
    if (onlyCrLf(text)) return std::string(text);
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

CodePageTextEdit::CodePageTextEdit(QWidget* parent) : QAbstractScrollArea(parent) {
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

// ---- Text -----------------------------------------------------------------

void CodePageTextEdit::setCodePageText(const std::string& text) {
    const std::size_t n = text_.size();
    const bool same = text.size() == n && std::memcmp(text.data(), text_.data(), n) == 0;
    if (!same) {
        // Text that only adds to what the box holds is laid out from the
        // box's last line on. A prefix of text that breaks lines only by
        // CR LF never ends between a CR and its LF.
        if (text.size() > n && std::memcmp(text.data(), text_.data(), n) == 0 &&
            onlyCrLf(std::string_view(text).substr(n))) {
            apply(n, 0, std::string_view(text).substr(n));
        } else {
            // A screen reader is told of the whole text replaced, as the
            // update event Qt's bridge takes a TextUpdated to be.
            const bool tell = QAccessible::isActive();
            const QString removed = tell ? toQt(text_) : QString();
            text_ = withCrLf(text);
            lines_.clear();
            if (tell) {
                QAccessibleTextUpdateEvent event(this, 0, removed, toQt(text_));
                QAccessible::updateAccessibility(&event);
            }
        }
    }
    history_.clear();
    modified_ = false;
    const bool moved = caret_ != 0 || anchor_ != 0 || verticalScrollBar()->value() != 0 || !preedit_.isEmpty();
    preedit_.clear();
    caret_ = anchor_ = 0;
    wantedX_ = -1;
    updateScrollBar();
    verticalScrollBar()->setValue(0);
    // Setting a box to what it already shows changes nothing on screen.
    if (!same || moved) {
        viewport()->update();
        caretMoved();
    }
}

QString CodePageTextEdit::toPlainText() const { return toQt(text_); }

void CodePageTextEdit::setPlainText(const QString& text) { setCodePageText(toBoxBytes(text)); }

void CodePageTextEdit::insertPlainText(const QString& text) { replaceSelection(toBoxBytes(text)); }

void CodePageTextEdit::clear() { setCodePageText({}); }

QString CodePageTextEdit::textBetween(int from, int to) const {
    const std::size_t a = toBytes(from);
    const std::size_t b = toBytes(to);
    return a < b ? toQt(std::string_view(text_).substr(a, b - a)) : QString();
}

QString CodePageTextEdit::selectedText() const {
    const std::size_t a = std::min(caret_, anchor_);
    const std::size_t b = std::max(caret_, anchor_);
    return toQt(std::string_view(text_).substr(a, b - a));
}

void CodePageTextEdit::setPosition(int position, bool keepAnchor) { moveCaret(toBytes(position), keepAnchor); }

int CodePageTextEdit::toChars(std::size_t bytes) const {
    std::size_t breaks = 0;
    const char* p = text_.data();
    const char* const end = p + std::min(bytes, text_.size());
    while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))) != nullptr) {
        ++breaks;
        ++p;
    }
    return toInt(std::min(bytes, text_.size()) - breaks);
}

std::size_t CodePageTextEdit::toBytes(int chars) const {
    std::size_t left = chars > 0 ? static_cast<std::size_t>(chars) : 0;
    std::size_t at = 0;
    const std::size_t n = text_.size();
    while (at < n) {
        const void* cr = std::memchr(text_.data() + at, '\r', n - at);
        const std::size_t run = cr != nullptr ? static_cast<std::size_t>(static_cast<const char*>(cr) - text_.data()) - at : n - at;
        if (left <= run) return at + left;
        // The line break is one character and two bytes.
        left -= run + 1;
        at += run + 2;
    }
    return n;
}

std::size_t CodePageTextEdit::nextChar(std::size_t at) const {
    if (at >= text_.size()) return text_.size();
    return text_[at] == '\r' ? std::min(at + 2, text_.size()) : at + 1;
}

std::size_t CodePageTextEdit::previousChar(std::size_t at) const {
    if (at == 0) return 0;
    return at >= 2 && text_[at - 1] == '\n' ? at - 2 : at - 1;
}

// Ctrl+Right as in Qt: over a run of punctuation or of other characters,
// then over the blanks after it; at the end of a paragraph, to the next.
std::size_t CodePageTextEdit::nextWord(std::size_t at) const {
    const auto* s = reinterpret_cast<const unsigned char*>(text_.data());
    const std::size_t n = text_.size();
    if (at >= n) return n;
    if (s[at] == '\r') return nextChar(at);
    std::size_t p = at;
    if (isWordSeparator(s[p])) {
        while (p < n && isWordSeparator(s[p])) ++p;
    } else {
        while (p < n && s[p] != '\r' && !isBlank(s[p]) && !isWordSeparator(s[p])) ++p;
    }
    while (p < n && s[p] != '\r' && isBlank(s[p])) ++p;
    return p;
}

std::size_t CodePageTextEdit::previousWord(std::size_t at) const {
    const auto* s = reinterpret_cast<const unsigned char*>(text_.data());
    if (at == 0) return 0;
    if (s[at - 1] == '\n') return previousChar(at);
    std::size_t p = at;
    while (p > 0 && s[p - 1] != '\n' && isBlank(s[p - 1])) --p;
    if (p > 0 && isWordSeparator(s[p - 1])) {
        while (p > 0 && isWordSeparator(s[p - 1])) --p;
    } else {
        while (p > 0 && s[p - 1] != '\n' && !isBlank(s[p - 1]) && !isWordSeparator(s[p - 1])) --p;
    }
    return p;
}

std::size_t CodePageTextEdit::paragraphStart(std::size_t at) const {
    while (at > 0 && text_[at - 1] != '\n') --at;
    return at;
}

std::size_t CodePageTextEdit::paragraphEnd(std::size_t at) const {
    const void* cr = std::memchr(text_.data() + at, '\r', text_.size() - at);
    return cr != nullptr ? static_cast<std::size_t>(static_cast<const char*>(cr) - text_.data()) : text_.size();
}

// ---- Changes --------------------------------------------------------------

void CodePageTextEdit::apply(std::size_t at, std::size_t length, std::string_view bytes) {
    QString removed, inserted;
    const bool tell = QAccessible::isActive();
    if (tell) {
        removed = toQt(std::string_view(text_).substr(at, length));
        inserted = toQt(bytes);
    }
    text_.replace(at, length, bytes);
    relayoutAfter(at, length, bytes.size());
    updateScrollBar();
    viewport()->update();
    if (tell) {
        // An addition is told as inserted text alone (a new question, read
        // out as a live region's would be), a deletion as removed text.
        if (length == 0) {
            QAccessibleTextInsertEvent event(this, toChars(at), inserted);
            QAccessible::updateAccessibility(&event);
        } else if (bytes.empty()) {
            QAccessibleTextRemoveEvent event(this, toChars(at), removed);
            QAccessible::updateAccessibility(&event);
        } else {
            QAccessibleTextUpdateEvent event(this, toChars(at), removed, inserted);
            QAccessible::updateAccessibility(&event);
        }
    }
}

void CodePageTextEdit::replace(std::size_t at, std::size_t length, const std::string& bytes, Run run) {
    if (length == 0 && bytes.empty()) return;
    history_.record(at, text_.substr(at, length), bytes, run);
    apply(at, length, bytes);
    modified_ = true;
    moveCaret(at + bytes.size(), false);
}

void CodePageTextEdit::replaceSelection(const std::string& bytes, Run run) {
    const std::size_t a = std::min(caret_, anchor_);
    const std::size_t b = std::max(caret_, anchor_);
    replace(a, b - a, bytes, run);
}

void CodePageTextEdit::undo() {
    if (!isUndoAvailable()) return;
    const EditHistory::Step& step = history_.toUndo();
    apply(step.at, step.inserted.size(), step.removed);
    history_.undone();
    modified_ = history_.canUndo();
    // After what was put back, as in Qt.
    moveCaret(step.at + step.removed.size(), false);
}

void CodePageTextEdit::redo() {
    if (!isRedoAvailable()) return;
    const EditHistory::Step& step = history_.toRedo();
    apply(step.at, step.removed.size(), step.inserted);
    history_.redone();
    modified_ = true;
    moveCaret(step.at + step.inserted.size(), false);
}

void CodePageTextEdit::cut() {
    if (!hasSelection()) return;
    copy();
    replaceSelection({});
}

void CodePageTextEdit::copy() const {
    if (hasSelection()) QGuiApplication::clipboard()->setText(selectedText());
}

void CodePageTextEdit::paste() { insertFromMimeData(QGuiApplication::clipboard()->mimeData()); }

void CodePageTextEdit::selectAll() {
    anchor_ = 0;
    caret_ = text_.size();
    wantedX_ = -1;
    viewport()->update();
    publishSelection();
    if (QAccessible::isActive()) {
        QAccessibleTextSelectionEvent event(this, 0, characterCount());
        QAccessible::updateAccessibility(&event);
    }
}

void CodePageTextEdit::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || !source->hasText()) return;
    replaceSelection(toBoxBytes(source->text()));
}

// ---- Layout ---------------------------------------------------------------

// Made when first needed: the boxes are built before the first prompt shows,
// and laid out only once the window is.
const TextMetrics& CodePageTextEdit::metrics() const {
    if (!metrics_) metrics_ = std::make_unique<TextMetrics>(font());
    return *metrics_;
}

Fixed CodePageTextEdit::wrapWidth() const {
    // A box not yet sized wraps nothing, as Qt's boxes do.
    const int width = viewport()->width();
    if (width <= 0) return Fixed{INT32_MAX} * kFixedOne;
    return Fixed{width - 2 * kMargin} * kFixedOne;
}

void CodePageTextEdit::ensureLayout() const {
    const Fixed width = wrapWidth();
    if (!lines_.empty() && laidOutWidth_ == width) return;
    lines_.clear();
    const std::size_t n = text_.size();
    for (std::size_t at = 0; at <= n; at = metrics().nextLineStart(text_, at, width)) lines_.push_back(at);
    laidOutWidth_ = width;
    lastLaidOut_ = n;
}

// Lays out anew from the line before the change until a line starts where
// one started before it (moved by the change); the lines after are only
// moved. Typing into a paragraph of megabytes lays out a few lines.
void CodePageTextEdit::relayoutAfter(std::size_t at, std::size_t removed, std::size_t inserted) {
    const Fixed width = wrapWidth();
    if (lines_.empty() || laidOutWidth_ != width) {
        lines_.clear();
        return;
    }
    const auto delta = static_cast<std::ptrdiff_t>(inserted) - static_cast<std::ptrdiff_t>(removed);
    const auto moved = [delta](std::size_t start) { return static_cast<std::size_t>(static_cast<std::ptrdiff_t>(start) + delta); };
    std::size_t first = static_cast<std::size_t>(std::upper_bound(lines_.begin(), lines_.end(), at) - lines_.begin()) - 1;
    if (first > 0) --first;
    std::size_t old = static_cast<std::size_t>(std::upper_bound(lines_.begin(), lines_.end(), at + removed) - lines_.begin());
    std::vector<std::size_t> fresh;
    const std::size_t n = text_.size();
    std::size_t start = lines_[first];
    std::size_t laid = 0;
    bool met = false;
    while (start <= n) {
        fresh.push_back(start);
        const std::size_t next = metrics().nextLineStart(text_, start, width);
        laid += std::min(next, n) - start;
        start = next;
        if (start <= at + inserted) continue;
        while (old < lines_.size() && moved(lines_[old]) < start) ++old;
        if (old < lines_.size() && moved(lines_[old]) == start) {
            met = true;
            break;
        }
    }
    lastLaidOut_ = laid;
    if (!met) old = lines_.size();
    for (std::size_t k = old; k < lines_.size(); ++k) lines_[k] = moved(lines_[k]);
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(first), lines_.begin() + static_cast<std::ptrdiff_t>(old));
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(first), fresh.begin(), fresh.end());
}

int CodePageTextEdit::lineCount() const {
    ensureLayout();
    return toInt(lines_.size());
}

int CodePageTextEdit::lineStart(int line) const {
    ensureLayout();
    return toChars(lines_[std::min(static_cast<std::size_t>(std::max(line, 0)), lines_.size() - 1)]);
}

int CodePageTextEdit::lineOfPosition(int position) const { return toInt(lineOf(toBytes(position))); }

std::size_t CodePageTextEdit::lineOf(std::size_t at) const {
    ensureLayout();
    return static_cast<std::size_t>(std::upper_bound(lines_.begin(), lines_.end(), at) - lines_.begin()) - 1;
}

// Where the line's characters end: before its line break, if it has one.
std::size_t CodePageTextEdit::contentEnd(std::size_t line) const {
    if (line + 1 >= lines_.size()) return text_.size();
    const std::size_t next = lines_[line + 1];
    return text_[next - 1] == '\n' ? next - 2 : next;
}

// Where End puts the caret: before the line break, or, on a line that was
// wrapped at a blank, before that blank, so that the caret stays on that
// line, as in Qt.
std::size_t CodePageTextEdit::lineEndForCaret(std::size_t line) const {
    if (line + 1 >= lines_.size()) return text_.size();
    const std::size_t next = lines_[line + 1];
    if (text_[next - 1] == '\n') return next - 2;
    return isBlank(static_cast<unsigned char>(text_[next - 1])) ? next - 1 : next;
}

int CodePageTextEdit::visibleLines() const {
    const int lines = static_cast<int>((viewport()->height() - kMargin) / metrics().lineHeight());
    return std::max(lines, 1);
}

void CodePageTextEdit::updateScrollBar() {
    // Laid out when shown, at the width it is shown at.
    if (!isVisible()) return;
    ensureLayout();
    QScrollBar* bar = verticalScrollBar();
    const int page = visibleLines();
    bar->setPageStep(page);
    bar->setRange(0, std::max(0, toInt(lines_.size()) - page));
}

void CodePageTextEdit::ensureCaretVisible() {
    if (!isVisible()) return;
    QScrollBar* bar = verticalScrollBar();
    const int line = toInt(lineOf(caret_));
    const int page = visibleLines();
    if (line < bar->value())
        bar->setValue(line);
    else if (line >= bar->value() + page)
        bar->setValue(line - page + 1);
}

void CodePageTextEdit::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBar();
}

void CodePageTextEdit::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    updateScrollBar();
}

void CodePageTextEdit::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        metrics_.reset();
        lines_.clear();
        updateScrollBar();
        viewport()->update();
    }
}

void CodePageTextEdit::scrollContentsBy(int, int) { viewport()->update(); }

// ---- Caret ----------------------------------------------------------------

void CodePageTextEdit::moveCaret(std::size_t to, bool keepAnchor, bool keepColumn) {
    caret_ = std::min(to, text_.size());
    if (!keepAnchor) anchor_ = caret_;
    if (!keepColumn) wantedX_ = -1;
    caretMoved();
}

void CodePageTextEdit::caretMoved() {
    ensureCaretVisible();
    restartBlink();
    viewport()->update();
    if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImQueryInput);
    if (QAccessible::isActive()) {
        QAccessibleTextCursorEvent event(this, position());
        QAccessible::updateAccessibility(&event);
    }
}

QRect CodePageTextEdit::caretRectAt(std::size_t at) const {
    const std::size_t line = lineOf(at);
    const qreal height = metrics().lineHeight();
    const qreal x = kMargin + static_cast<qreal>(metrics().xOf(text_, lines_[line], at)) / kFixedOne;
    const qreal y = kMargin + (static_cast<qreal>(line) - verticalScrollBar()->value()) * height;
    return QRectF(x, y, 1, height).toAlignedRect();
}

QRect CodePageTextEdit::caretRect() const { return caretRectAt(caret_); }

std::size_t CodePageTextEdit::verticalTarget(std::size_t count, bool down, bool clampToEnds) {
    const std::size_t line = lineOf(caret_);
    if (wantedX_ < 0) wantedX_ = metrics().xOf(text_, lines_[line], caret_);
    std::size_t target;
    if (down) {
        if (line + count >= lines_.size()) {
            if (!clampToEnds || line + 1 >= lines_.size()) return clampToEnds ? text_.size() : caret_;
            target = lines_.size() - 1;
        } else {
            target = line + count;
        }
    } else {
        if (line < count) {
            if (!clampToEnds || line == 0) return clampToEnds ? 0 : caret_;
            target = 0;
        } else {
            target = line - count;
        }
    }
    return metrics().positionAt(text_, lines_[target], lineEndForCaret(target), wantedX_);
}

std::size_t CodePageTextEdit::hitTest(const QPoint& point) const {
    ensureLayout();
    const qreal row = (point.y() - kMargin) / metrics().lineHeight();
    const qreal line = std::clamp(std::floor(row) + verticalScrollBar()->value(), 0.0,
                                  static_cast<qreal>(lines_.size() - 1));
    const auto k = static_cast<std::size_t>(line);
    return metrics().positionAt(text_, lines_[k], lineEndForCaret(k), Fixed{point.x() - kMargin} * kFixedOne);
}

void CodePageTextEdit::restartBlink() {
    caretShown_ = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flash > 0)
        blink_.start(flash / 2, this);
    else
        blink_.stop();
}

void CodePageTextEdit::timerEvent(QTimerEvent* event) {
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
    ensureLayout();
    const qreal height = metrics().lineHeight();
    const std::size_t selFrom = std::min(caret_, anchor_);
    const std::size_t selTo = std::max(caret_, anchor_);
    const QRect area = event->rect();
    qreal y = kMargin;
    for (auto line = static_cast<std::size_t>(verticalScrollBar()->value());
         line < lines_.size() && y < viewport()->height(); ++line, y += height) {
        if (y + height >= area.top() && y <= area.bottom()) drawLine(painter, line, y, selFrom, selTo);
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
        painter.drawText(QPointF(caret.x(), caret.y() + metrics().ascent()), preedit_);
    } else if (hasFocus() && caretShown_ && caret.intersects(area)) {
        painter.fillRect(caret, pal.text());
    }
}

void CodePageTextEdit::drawLine(QPainter& painter, std::size_t line, qreal y, std::size_t selFrom,
                                std::size_t selTo) const {
    const TextMetrics& m = metrics();
    const std::size_t start = lines_[line];
    const std::size_t end = contentEnd(line);
    const std::size_t next = line + 1 < lines_.size() ? lines_[line + 1] : text_.size();
    const qreal height = m.lineHeight();
    const QPalette& pal = palette();
    const auto px = [](Fixed x) { return kMargin + static_cast<qreal>(x) / kFixedOne; };

    if (selFrom < selTo && selFrom < std::max(next, end + 1) && selTo > start) {
        const std::size_t a = std::max(selFrom, start);
        const std::size_t b = std::min(selTo, end);
        const Fixed xa = m.xOf(text_, start, a);
        Fixed xb = a < b ? xa + m.xOf(text_, a, b) : xa;
        // A selected line break shows as a blank's width.
        if (selTo > end && next > end) xb += m.advance(' ', xb);
        painter.fillRect(QRectF(px(xa), y, static_cast<qreal>(xb - xa) / kFixedOne, height), pal.highlight());
    }

    const auto* s = reinterpret_cast<const unsigned char*>(text_.data());
    const qreal baseline = y + m.ascent();
    const qreal right = viewport()->width();
    QList<quint32> glyphs[2];
    QList<QPointF> places[2];
    Fixed x = 0;
    for (std::size_t i = start; i < end && px(x) < right; ++i) {
        const unsigned char c = s[i];
        const int selected = i >= selFrom && i < selTo ? 1 : 0;
        if (m.drawnByQt(c)) {
            painter.setPen(pal.color(selected != 0 ? QPalette::HighlightedText : QPalette::Text));
            painter.setFont(font());
            painter.drawText(QPointF(px(x), baseline), toQt(std::string_view(text_).substr(i, 1)));
        } else if (!m.invisible(c)) {
            glyphs[selected].append(m.glyph(c));
            places[selected].append(QPointF(px(x), baseline));
        }
        x += m.advance(c, x);
    }
    for (int selected = 0; selected < 2; ++selected) {
        if (glyphs[selected].isEmpty()) continue;
        QGlyphRun run;
        run.setRawFont(m.rawFont());
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
        replaceSelection(toBoxBytes(limitToCodePage(event->text())), Run::Typing);
        event->accept();
        return;
    }
    event->ignore();
}

bool CodePageTextEdit::moveKey(QKeyEvent* event) {
    enum Op { NextChar, PreviousChar, NextWord, PreviousWord, Down, Up, LineStart, LineEnd,
              BlockStart, BlockEnd, Start, End, PageDown, PageUp };
    struct Move {
        QKeySequence::StandardKey move, select;
        Op op;
    };
    static const Move moves[] = {
        {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, NextChar},
        {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, PreviousChar},
        {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord, NextWord},
        {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord, PreviousWord},
        {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, Down},
        {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, Up},
        {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, LineStart},
        {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, LineEnd},
        {QKeySequence::MoveToStartOfBlock, QKeySequence::SelectStartOfBlock, BlockStart},
        {QKeySequence::MoveToEndOfBlock, QKeySequence::SelectEndOfBlock, BlockEnd},
        {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, Start},
        {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, End},
        {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, PageDown},
        {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, PageUp},
    };
    for (const Move& m : moves) {
        const bool select = event->matches(m.select);
        if (!select && !event->matches(m.move)) continue;
        ensureLayout();
        std::size_t to = caret_;
        bool column = false;
        switch (m.op) {
            case NextChar:
                to = !select && hasSelection() ? std::max(caret_, anchor_) : nextChar(caret_);
                break;
            case PreviousChar:
                to = !select && hasSelection() ? std::min(caret_, anchor_) : previousChar(caret_);
                break;
            case NextWord: to = nextWord(caret_); break;
            case PreviousWord: to = previousWord(caret_); break;
            case Down:
            case Up:
                to = verticalTarget(1, m.op == Down, false);
                column = true;
                break;
            case LineStart: to = lines_[lineOf(caret_)]; break;
            case LineEnd: to = lineEndForCaret(lineOf(caret_)); break;
            case BlockStart: to = paragraphStart(caret_); break;
            case BlockEnd: to = paragraphEnd(caret_); break;
            case Start: to = 0; break;
            case End: to = text_.size(); break;
            case PageDown:
            case PageUp: {
                // The page turns, and the caret keeps its place on screen.
                const int page = visibleLines();
                to = verticalTarget(static_cast<std::size_t>(page), m.op == PageDown, true);
                QScrollBar* bar = verticalScrollBar();
                bar->setValue(bar->value() + (m.op == PageDown ? page : -page));
                column = true;
                break;
            }
        }
        moveCaret(to, select, column);
        if (select) publishSelection();
        return true;
    }
    return false;
}

bool CodePageTextEdit::editKey(QKeyEvent* event) {
    const auto removeTo = [this](std::size_t to, Run run = Run::None) {
        if (hasSelection()) run = Run::None;
        else anchor_ = to;
        replaceSelection({}, run);
    };
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
    } else if (event->matches(QKeySequence::Undo)) {
        undo();
    } else if (event->matches(QKeySequence::Redo)) {
        redo();
    } else if (event->matches(QKeySequence::Cut)) {
        cut();
    } else if (event->matches(QKeySequence::Copy)) {
        copy();
    } else if (event->matches(QKeySequence::Paste)) {
        paste();
    } else if (event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier)) {
        removeTo(previousChar(caret_), Run::Deleting);
    } else if (event->matches(QKeySequence::Delete)) {
        removeTo(nextChar(caret_), Run::Deleting);
    } else if (event->matches(QKeySequence::DeleteStartOfWord)) {
        removeTo(previousWord(caret_));
    } else if (event->matches(QKeySequence::DeleteEndOfWord)) {
        removeTo(nextWord(caret_));
    } else if (event->matches(QKeySequence::DeleteEndOfLine)) {
        const std::size_t end = paragraphEnd(caret_);
        removeTo(end == caret_ ? nextChar(caret_) : end);
    } else if (event->matches(QKeySequence::InsertParagraphSeparator) ||
               event->matches(QKeySequence::InsertLineSeparator)) {
        replaceSelection("\r\n");
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
        std::size_t from = caret_;
        for (int k = event->replacementStart(); k < 0; ++k) from = previousChar(from);
        for (int k = 0; k < event->replacementStart(); ++k) from = nextChar(from);
        std::size_t to = from;
        for (int k = 0; k < event->replacementLength(); ++k) to = nextChar(to);
        caret_ = to;
        anchor_ = from;
    }
    if (!event->commitString().isEmpty() || hasSelection()) replaceSelection(toBoxBytes(event->commitString()), Run::Typing);
    preedit_ = limitToCodePage(event->preeditString());
    viewport()->update();
    event->accept();
}

QVariant CodePageTextEdit::inputMethodQuery(Qt::InputMethodQuery query) const {
    // Around the caret, within its paragraph, at most kSurrounding either way.
    std::size_t from = caret_;
    while (from > 0 && caret_ - from < kSurrounding && text_[from - 1] != '\n') --from;
    std::size_t to = caret_;
    while (to < text_.size() && to - caret_ < kSurrounding && text_[to] != '\r') ++to;
    const auto within = [&](std::size_t at) { return toInt(std::clamp(at, from, to) - from); };
    switch (query) {
        case Qt::ImEnabled: return true;
        case Qt::ImCursorRectangle: return caretRect();
        case Qt::ImAnchorRectangle: return caretRectAt(anchor_);
        case Qt::ImFont: return font();
        case Qt::ImCursorPosition: return within(caret_);
        case Qt::ImAnchorPosition: return within(anchor_);
        case Qt::ImSurroundingText: return toQt(std::string_view(text_).substr(from, to - from));
        case Qt::ImTextBeforeCursor: return toQt(std::string_view(text_).substr(from, caret_ - from));
        case Qt::ImTextAfterCursor: return toQt(std::string_view(text_).substr(caret_, to - caret_));
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
        const std::size_t at = hitTest(event->position().toPoint());
        if (event->button() == Qt::LeftButton) {
            moveCaret(at, (event->modifiers() & Qt::ShiftModifier) != 0);
            selecting_ = true;
        } else if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
            moveCaret(at, false);
            insertFromMimeData(QGuiApplication::clipboard()->mimeData(QClipboard::Selection));
        }
    });
}

void CodePageTextEdit::mouseMoveEvent(QMouseEvent* event) {
    if (selecting_ && (event->buttons() & Qt::LeftButton)) moveCaret(hitTest(event->position().toPoint()), true);
}

void CodePageTextEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    selecting_ = false;
    publishSelection();
}

void CodePageTextEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    // The word, the run of punctuation or the blanks under the pointer.
    const std::size_t at = hitTest(event->position().toPoint());
    const auto* s = reinterpret_cast<const unsigned char*>(text_.data());
    const std::size_t n = text_.size();
    const std::size_t at0 = at < n && s[at] != '\r' ? at : (at > 0 && s[at - 1] != '\n' ? at - 1 : at);
    if (at0 >= n || s[at0] == '\r') return;
    const auto kind = [](unsigned char c) { return isBlank(c) ? 0 : isWordSeparator(c) ? 1 : 2; };
    const int k = kind(s[at0]);
    std::size_t a = at0, b = at0 + 1;
    while (a > 0 && s[a - 1] != '\n' && kind(s[a - 1]) == k) --a;
    while (b < n && s[b] != '\r' && kind(s[b]) == k) ++b;
    anchor_ = a;
    moveCaret(b, true);
    selecting_ = false;
    publishSelection();
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
    add(tr("&Undo"), QKeySequence::Undo, isUndoAvailable(), [this] { undo(); });
    add(tr("&Redo"), QKeySequence::Redo, isRedoAvailable(), [this] { redo(); });
    menu.addSeparator();
    add(tr("Cu&t"), QKeySequence::Cut, hasSelection(), [this] { cut(); });
    add(tr("&Copy"), QKeySequence::Copy, hasSelection(), [this] { copy(); });
    add(tr("&Paste"), QKeySequence::Paste, clipboardText, [this] { paste(); });
    add(tr("Delete"), QKeySequence::Delete, hasSelection(), [this] { replaceSelection({}); });
    menu.addSeparator();
    add(tr("Select All"), QKeySequence::SelectAll, !text_.empty(), [this] { selectAll(); });
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
        moveCaret(hitTest(event->position().toPoint()), false);
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
