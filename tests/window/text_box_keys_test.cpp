// The box wraps, moves its caret and edits as Qt's own plain-text box does:
// both get the same text at the same size and then the same keys, and must
// agree on every line, the caret, the selection and the text after each key.
#include <QAccessible>
#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <QTextBlock>
#include <QTextLayout>
#include <QClipboard>
#include <algorithm>
#include <map>
#include <string>

#include "editing_cases.h"
#include "window/qt/code_page_text.h"
#include "window/qt/text_box.h"

using drill::CodePageTextEdit;

Q_DECLARE_METATYPE(std::string)

namespace {

// The boxes' font; Qt's box is told not to kern, as the box never does.
QFont boxFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9.75);
    font.setKerning(false);
    return font;
}

QList<int> linesOf(QPlainTextEdit& edit) {
    QList<int> starts;
    for (QTextBlock block = edit.document()->begin(); block.isValid(); block = block.next()) {
        // Asking for its size lays a paragraph out.
        edit.document()->documentLayout()->blockBoundingRect(block);
        for (int i = 0; i < block.layout()->lineCount(); ++i)
            starts << block.position() + block.layout()->lineAt(i).textStart();
    }
    return starts;
}

// Qt's box without its plain-text conversion (which makes a no-break space
// a blank).
QString textOf(QPlainTextEdit& edit) { return edit.document()->toRawText().replace(QChar(0x2029), u'\n'); }

QList<int> linesOf(const CodePageTextEdit& box) {
    QList<int> starts;
    for (int i = 0; i < box.lineCount(); ++i) starts << box.lineStart(i);
    return starts;
}

std::string repeated(const std::string& piece, std::size_t bytes) {
    std::string out;
    while (out.size() < bytes) out += piece;
    return out;
}

struct Key {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    const char* text = nullptr;  // typed text, if the key types any
    // Qt leaves the caret after undoing a paste somewhere that depends on
    // older changes; the box puts it where the paste was.
    bool caretAsQt = true;
};

void press(QWidget* w, const Key& k) {
    if (k.text != nullptr)
        QTest::keyClicks(w, QString::fromLatin1(k.text));
    else
        QTest::keyClick(w, k.key, k.modifiers);
}

// Qt's box and the box, side by side at the same size, holding the same text.
struct Pair {
    QPlainTextEdit edit;
    CodePageTextEdit box;

    bool show(const std::string& text) {
        edit.setFont(boxFont());
        edit.setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        edit.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        edit.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        edit.setTabChangesFocus(true);
        box.setFont(boxFont());
        for (QAbstractScrollArea* w : {static_cast<QAbstractScrollArea*>(&edit), static_cast<QAbstractScrollArea*>(&box)}) {
            w->resize(345, 350);
            w->show();
            if (!QTest::qWaitForWindowExposed(w)) return false;
        }
        edit.setPlainText(drill::toQt(text));
        box.setCodePageText(text);
        return box.viewport()->width() == edit.viewport()->width();
    }
};

QString describe(const Key& k) {
    if (k.text != nullptr) return QStringLiteral("typing \"%1\"").arg(QString::fromLatin1(k.text));
    return QKeySequence(k.key | k.modifiers).toString();
}

}  // namespace

class TextBoxKeysTest : public QObject {
    Q_OBJECT

private slots:
    void sameAsQtsBox_data();
    void sameAsQtsBox();
    void mouseAsInQtsBox_data();
    void mouseAsInQtsBox();
    void pagesAndWheelAsInQtsBox();
    void editingTable();
    void screenReaderUnitsAsInQtsBox();
    void typingLaysOutOnlyNearbyLines();
};

void TextBoxKeysTest::sameAsQtsBox_data() {
    QTest::addColumn<std::string>("text");
    const std::string prose =
        "The level (in cm) rises - quickly, at first; then: more slowly... Isn't it? 5.2 cm/s, "
        "10% at 12:30, well-known, e.g. a/b [see notes] \"quoted\" {braces} x+y=z & more! ";
    const std::string codePage =
        "caf\xE9 \x80 5\xA0" "cm na\xEFve \x96 en \x97 em \x91single\x92 \x93" "double\x94 \xABguillemets\xBB "
        "\xA7 3 \xB1 1 \xBF\xA1 \xD7\xF7 \x85 ";
    QTest::newRow("one long paragraph") << repeated(prose + codePage, 3000);
    QTest::newRow("paragraphs") << "First line.\r\n\r\n" + repeated(prose, 700) + "\r\n" + repeated(codePage, 500) +
                                       "\r\nshort\r\n";
    QTest::newRow("a word longer than the line")
        << "start " + std::string(150, 'w') + " and " + std::string(90, 'm') + "-" + std::string(60, 'x') + " end";
    QTest::newRow("blanks at the ends of lines") << repeated("word     ", 400) + "\r\n   indented";
}

void TextBoxKeysTest::sameAsQtsBox() {
    QFETCH(std::string, text);
    Pair pair;
    QVERIFY(pair.show(text));
    QPlainTextEdit& edit = pair.edit;
    CodePageTextEdit& box = pair.box;
    QCOMPARE(linesOf(box), linesOf(edit));

    const Key keys[] = {
        {Qt::Key_Right}, {Qt::Key_Right}, {Qt::Key_Down}, {Qt::Key_Down}, {Qt::Key_End}, {Qt::Key_Down},
        {Qt::Key_Left}, {Qt::Key_Down}, {Qt::Key_Home}, {Qt::Key_Right, Qt::ControlModifier},
        {Qt::Key_Right, Qt::ControlModifier}, {Qt::Key_Right, Qt::ControlModifier},
        {Qt::Key_Right, Qt::ControlModifier}, {Qt::Key_Left, Qt::ControlModifier},
        {Qt::Key_Down, Qt::ShiftModifier}, {Qt::Key_End, Qt::ShiftModifier}, {Qt::Key_Right},
        {Qt::Key_Up}, {Qt::Key_Up, Qt::ShiftModifier}, {Qt::Key_Left}, {Qt::Key_unknown, {}, "typed"},
        {Qt::Key_Backspace}, {Qt::Key_Delete}, {Qt::Key_Backspace, Qt::ControlModifier},
        {Qt::Key_Delete, Qt::ControlModifier}, {Qt::Key_Down}, {Qt::Key_Down}, {Qt::Key_End},
        {Qt::Key_unknown, {}, " more words typed at the end of a line"}, {Qt::Key_Return},
        {Qt::Key_Up}, {Qt::Key_Up}, {Qt::Key_Delete}, {Qt::Key_Delete}, {Qt::Key_Delete},
        {Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier}, {Qt::Key_Backspace},
        {Qt::Key_End, Qt::ControlModifier}, {Qt::Key_Up}, {Qt::Key_Up}, {Qt::Key_Right, Qt::ControlModifier},
        {Qt::Key_Home, Qt::ShiftModifier}, {Qt::Key_X, Qt::ControlModifier}, {Qt::Key_Home, Qt::ControlModifier},
        {Qt::Key_V, Qt::ControlModifier}, {Qt::Key_Z, Qt::ControlModifier, nullptr, false},
        {Qt::Key_Z, Qt::ControlModifier},
        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier}, {Qt::Key_Y, Qt::ControlModifier | Qt::ShiftModifier},
        {Qt::Key_Q, Qt::ControlModifier}, {Qt::Key_Down}, {Qt::Key_Down},
        {Qt::Key_A, Qt::ControlModifier}, {Qt::Key_Right}, {Qt::Key_Left, Qt::ControlModifier},
        // Pages, and the keys whose binding X11 alone has (Ctrl+K to the
        // paragraph's end, Ctrl+D deletes, Ctrl+E to the line's end).
        {Qt::Key_Home, Qt::ControlModifier}, {Qt::Key_Down}, {Qt::Key_PageDown}, {Qt::Key_PageDown},
        {Qt::Key_PageDown, Qt::ShiftModifier}, {Qt::Key_PageUp}, {Qt::Key_Down}, {Qt::Key_PageUp},
        {Qt::Key_PageUp}, {Qt::Key_End, Qt::ControlModifier}, {Qt::Key_PageDown}, {Qt::Key_PageUp},
        {Qt::Key_K, Qt::ControlModifier}, {Qt::Key_Home}, {Qt::Key_K, Qt::ControlModifier},
        {Qt::Key_K, Qt::ControlModifier}, {Qt::Key_Z, Qt::ControlModifier}, {Qt::Key_Up},
        {Qt::Key_E, Qt::ControlModifier}, {Qt::Key_Left}, {Qt::Key_D, Qt::ControlModifier},
        {Qt::Key_U, Qt::ControlModifier}, {Qt::Key_Delete, Qt::ShiftModifier},
        {Qt::Key_Left, Qt::ShiftModifier}, {Qt::Key_Delete, Qt::ShiftModifier},
        // Blanks typed past the right edge: the caret stays at the edge.
        {Qt::Key_End}, {Qt::Key_unknown, {}, "                                                                  "},
    };
    for (const Key& key : keys) {
        press(&edit, key);
        press(&box, key);
        const QByteArray after = ("after " + describe(key)).toUtf8();
        QVERIFY2(box.toPlainText() == textOf(edit),
                 (after + ": " + QByteArray::number(box.toPlainText().size()) + " characters, Qt's " +
                  QByteArray::number(textOf(edit).size())).constData());
        if (!key.caretAsQt) {
            QTest::keyClick(&edit, Qt::Key_Home, Qt::ControlModifier);
            QTest::keyClick(&box, Qt::Key_Home, Qt::ControlModifier);
        }
        QVERIFY2(box.position() == edit.textCursor().position(),
                 (after + ": caret " + QByteArray::number(box.position()) + ", Qt's " +
                  QByteArray::number(edit.textCursor().position())).constData());
        QVERIFY2(box.anchor() == edit.textCursor().anchor(), after.constData());
        QVERIFY2(linesOf(box) == linesOf(edit), after.constData());
        QVERIFY2(box.verticalScrollBar()->value() == edit.verticalScrollBar()->value(),
                 (after + ": scrolled to " + QByteArray::number(box.verticalScrollBar()->value()) + ", Qt's " +
                  QByteArray::number(edit.verticalScrollBar()->value())).constData());
        // Qt draws the lines of a first paragraph scrolled out of view a
        // pixel lower than any other's; the box draws them all alike.
        QVERIFY2(box.caretRect().left() == edit.cursorRect().left() &&
                     std::abs(box.caretRect().top() - edit.cursorRect().top()) <= 1,
                 after.constData());
    }
}

namespace {

// What the mouse does, to both boxes: a point in the viewport, or a point
// on a character of Qt's box (its left or right half), found in Qt's layout.
struct Pointer {
    enum Kind { Click, ShiftClick, DoubleClick, Drag, Scroll } kind;
    QPoint at{};
    int onChar = -1;  // when not -1: at.x() is 0 (left half) or 1 (right half) of that character
    QPoint to{};      // the end of a drag; the scroll bar's value for Scroll
};

QPoint pointOf(QPlainTextEdit& edit, const Pointer& m) {
    if (m.onChar < 0) return m.at;
    QTextCursor c(edit.document());
    c.setPosition(m.onChar);
    const QRect left = edit.cursorRect(c);
    c.setPosition(m.onChar + 1);
    const QRect right = edit.cursorRect(c);
    const int x = m.at.x() == 0 ? left.left() + 1 : std::max(left.left() + 1, right.left() - 1);
    return {x, left.center().y()};
}

void act(QWidget* viewport, QScrollBar* bar, const Pointer& m, QPoint at) {
    switch (m.kind) {
        case Pointer::Click: QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at); break;
        case Pointer::ShiftClick: QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, at); break;
        case Pointer::DoubleClick: QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, at); break;
        case Pointer::Drag:
            QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, at);
            QTest::mouseMove(viewport, m.to);
            QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, m.to);
            break;
        case Pointer::Scroll: bar->setValue(m.to.y()); break;
    }
}

}  // namespace

Q_DECLARE_METATYPE(std::vector<Pointer>)

void TextBoxKeysTest::mouseAsInQtsBox_data() {
    QTest::addColumn<std::string>("text");
    QTest::addColumn<std::vector<Pointer>>("steps");
    using P = Pointer;
    std::vector<Pointer> wrapped;
    // Clicks on characters, past the ends of lines, in the margins; a click
    // with Shift extends the selection, a drag selects, a double-click
    // selects the word.
    for (const QPoint p : {QPoint(10, 10), QPoint(60, 10), QPoint(61, 25), QPoint(200, 40), QPoint(330, 40),
                           QPoint(5, 70), QPoint(150, 100), QPoint(320, 130), QPoint(100, 160), QPoint(2, 2),
                           QPoint(100, 200), QPoint(100, 346)})
        wrapped.push_back({P::Click, p});
    wrapped.push_back({P::Click, {40, 25}});
    wrapped.push_back({P::ShiftClick, {250, 100}});
    wrapped.push_back({P::Drag, {30, 130}, -1, {180, 160}});
    for (const QPoint p : {QPoint(60, 10), QPoint(200, 40), QPoint(150, 100), QPoint(330, 40)})
        wrapped.push_back({P::DoubleClick, p});
    // Scrolled into a long paragraph. (Qt's box draws such a paragraph a
    // pixel low and hits it five pixels high: a click in the top pixels
    // takes the line above, out of view, and scrolls back to it. The box
    // takes a click where it draws, so only the middles of lines compare.)
    wrapped.push_back({P::Scroll, {}, -1, {0, 10}});
    for (int y : {8, 22, 37, 158})
        for (const P::Kind kind : {P::Click, P::DoubleClick}) wrapped.push_back({kind, {40, y}});
    QTest::newRow("wrapped lines")
        << "A short first line.\r\n" + repeated("The level rises quickly at first,   then more slowly. ", 60000) +
               "\r\n\r\nlast"
        << wrapped;

    // Below the text, on lines of blanks, among blanks before a line
    // break, and on either half of every character of a line of words.
    const std::string words = "hello world, foo.bar  end";
    std::vector<Pointer> short_;
    for (const QPoint p : {QPoint(50, 200), QPoint(5, 345), QPoint(300, 80), QPoint(2, 19), QPoint(8, 26),
                           QPoint(14, 26), QPoint(300, 26), QPoint(20, 41), QPoint(45, 41), QPoint(60, 41),
                           QPoint(300, 41)}) {
        short_.push_back({P::Click, p});
        short_.push_back({P::DoubleClick, p});
    }
    const int wordsAt = 11 + 7 + 11;  // "first line\n", "     \n", "word     \n"
    for (int i = 0; i <= static_cast<int>(words.size()); ++i)
        for (int half : {0, 1}) short_.push_back({P::DoubleClick, {half, 0}, wordsAt + i});
    short_.push_back({P::Drag, {300, 41}, -1, {10, 200}});
    QTest::newRow("short lines") << "first line\r\n     \r\nword     \r\n" + words + "\r\n  \r\n" << short_;

    // Scrolled among short lines: the top margin belongs to the first line
    // in view, and to the start of the text when it is not scrolled; a line
    // cut off at the bottom comes into view when clicked.
    std::vector<Pointer> many;
    for (int top : {0, 10, 185}) {
        many.push_back({P::Scroll, {}, -1, {0, top}});
        for (int y : {0, 2, 4, 6, 18, 19, 20, 340, 347})
            for (const P::Kind kind : {P::Click, P::ShiftClick}) many.push_back({kind, {30, y}});
    }
    std::string lines;
    for (int i = 0; i < 200; ++i) lines += "line " + std::to_string(i) + "\r\n";
    QTest::newRow("many lines, scrolled") << lines << many;
}

void TextBoxKeysTest::mouseAsInQtsBox() {
    QFETCH(std::string, text);
    QFETCH(std::vector<Pointer>, steps);
    Pair pair;
    QVERIFY(pair.show(text));
    for (const Pointer& m : steps) {
        const QPoint at = pointOf(pair.edit, m);
        act(pair.edit.viewport(), pair.edit.verticalScrollBar(), m, at);
        act(pair.box.viewport(), pair.box.verticalScrollBar(), m, at);
        const QByteArray where = QByteArray("at ") + QByteArray::number(at.x()) + "," + QByteArray::number(at.y()) +
                                 " (" + QByteArray::number(static_cast<int>(m.kind)) + ")";
        const QTextCursor qt = pair.edit.textCursor();
        QVERIFY2(pair.box.position() == qt.position(),
                 (where + ": caret " + QByteArray::number(pair.box.position()) + ", Qt's " +
                  QByteArray::number(qt.position())).constData());
        QVERIFY2(pair.box.anchor() == qt.anchor(),
                 (where + ": anchor " + QByteArray::number(pair.box.anchor()) + ", Qt's " +
                  QByteArray::number(qt.anchor())).constData());
        QVERIFY2(pair.box.verticalScrollBar()->value() == pair.edit.verticalScrollBar()->value(), where.constData());
    }
}

void TextBoxKeysTest::pagesAndWheelAsInQtsBox() {
    // A megabyte of notes in one paragraph: the ends, pages from either end
    // and the wheel, the caret in view after each.
    Pair pair;
    QVERIFY(pair.show(repeated("notes run on and on without a line break ", 20000)));
    const QRect view = pair.box.viewport()->rect();
    const Key keys[] = {{Qt::Key_End, Qt::ControlModifier}, {Qt::Key_PageUp}, {Qt::Key_PageUp},
                        {Qt::Key_PageDown}, {Qt::Key_Home, Qt::ControlModifier}, {Qt::Key_PageDown},
                        {Qt::Key_PageDown}, {Qt::Key_Down}, {Qt::Key_PageUp}, {Qt::Key_PageUp}};
    for (const Key& key : keys) {
        press(&pair.edit, key);
        press(&pair.box, key);
        QCOMPARE(pair.box.position(), pair.edit.textCursor().position());
        QCOMPARE(pair.box.verticalScrollBar()->value(), pair.edit.verticalScrollBar()->value());
        QVERIFY(view.contains(pair.box.caretRect()));
    }
    // The wheel scrolls the text, and the caret stays where it was.
    for (QAbstractScrollArea* w : {static_cast<QAbstractScrollArea*>(&pair.edit), static_cast<QAbstractScrollArea*>(&pair.box)}) {
        QWheelEvent wheel(QPointF(50, 50), w->viewport()->mapToGlobal(QPointF(50, 50)), {}, {0, -120}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w->viewport(), &wheel);
    }
    QCOMPARE(pair.box.verticalScrollBar()->value(), pair.edit.verticalScrollBar()->value());
    QCOMPARE(pair.box.position(), pair.edit.textCursor().position());
}

namespace {

// Bytes of the code-page text (a line break two, a position inside one
// before it) and Qt's positions (a line break one).
int qtPosition(const std::string& text, std::size_t bytes) {
    bytes = std::min(bytes, text.size());
    if (bytes > 0 && bytes < text.size() && text[bytes - 1] == '\r') --bytes;
    return static_cast<int>(bytes - static_cast<std::size_t>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(bytes), '\n')));
}

std::size_t bytesOf(const std::string& text, int position) {
    std::size_t at = 0;
    for (int k = 0; k < position && at < text.size(); ++k) at += text[at] == '\r' ? 2 : 1;
    return at;
}

// The table's steps as a student does them to the box: keys, the mouse,
// the clipboard; the program's texts through the toolkit's way in.
void run(CodePageTextEdit& box, const drill::testing::Step& step) {
    using drill::testing::Spot;
    using drill::testing::Step;
    using drill::editing::Erase;
    using drill::editing::Move;
    const std::string text = box.codePageText();
    const auto point = [&](const Spot& spot) {
        const int at = qtPosition(text, spot.at);
        const QRect left = box.cursorRectAt(at), right = box.cursorRectAt(at + 1);
        const int width = right.top() == left.top() ? right.left() - left.left() : 6;
        const int x = left.left() + (spot.rightHalf ? 3 * width / 4 : width / 4);
        if (spot.kind == Spot::PastLineEnd) return QPoint(box.viewport()->width() - 6, left.center().y());
        if (spot.kind == Spot::BelowText) return QPoint(x, box.viewport()->height() - 4);
        return QPoint(x, left.center().y());
    };
    const auto key = [&](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(&box, k, m | (step.extend ? Qt::ShiftModifier : Qt::NoModifier));
    };
    const auto sequence = [&](QKeySequence::StandardKey k) {
        const QKeyCombination c = QKeySequence(k)[0];
        QTest::keyClick(&box, c.key(), c.keyboardModifiers());
    };
    QWidget* v = box.viewport();
    switch (step.kind) {
        case Step::Move: {
            static const std::map<Move, std::pair<Qt::Key, Qt::KeyboardModifiers>> keys = {
                {Move::NextChar, {Qt::Key_Right, {}}}, {Move::PreviousChar, {Qt::Key_Left, {}}},
                {Move::NextWord, {Qt::Key_Right, Qt::ControlModifier}},
                {Move::PreviousWord, {Qt::Key_Left, Qt::ControlModifier}}, {Move::Down, {Qt::Key_Down, {}}},
                {Move::Up, {Qt::Key_Up, {}}}, {Move::LineStart, {Qt::Key_Home, {}}}, {Move::LineEnd, {Qt::Key_End, {}}},
                {Move::Start, {Qt::Key_Home, Qt::ControlModifier}}, {Move::End, {Qt::Key_End, Qt::ControlModifier}},
                {Move::PageDown, {Qt::Key_PageDown, {}}}, {Move::PageUp, {Qt::Key_PageUp, {}}}};
            key(keys.at(step.move).first, keys.at(step.move).second);
            break;
        }
        case Step::Erase:
            if (step.erase == Erase::PreviousChar) key(Qt::Key_Backspace);
            if (step.erase == Erase::NextChar) key(Qt::Key_Delete);
            if (step.erase == Erase::PreviousWord) key(Qt::Key_Backspace, Qt::ControlModifier);
            if (step.erase == Erase::NextWord) key(Qt::Key_Delete, Qt::ControlModifier);
            break;
        case Step::Type: QTest::keyClicks(&box, QString::fromLatin1(step.text.c_str())); break;
        case Step::Insert: box.insertPlainText(drill::toQt(step.text)); break;
        case Step::Undo: sequence(QKeySequence::Undo); break;
        case Step::Redo: sequence(QKeySequence::Redo); break;
        case Step::Cut: sequence(QKeySequence::Cut); break;
        case Step::Paste:
            if (!step.text.empty()) QGuiApplication::clipboard()->setText(drill::toQt(step.text));
            sequence(QKeySequence::Paste);
            break;
        case Step::SelectAll: sequence(QKeySequence::SelectAll); break;
        case Step::Put: box.setCodePageText(step.text); break;
        case Step::Click: QTest::mouseClick(v, Qt::LeftButton, Qt::NoModifier, point(step.spot)); break;
        case Step::ShiftClick: QTest::mouseClick(v, Qt::LeftButton, Qt::ShiftModifier, point(step.spot)); break;
        case Step::DoubleClick: QTest::mouseDClick(v, Qt::LeftButton, Qt::NoModifier, point(step.spot)); break;
        case Step::Drag:
            QTest::mousePress(v, Qt::LeftButton, Qt::NoModifier, point(step.spot));
            QTest::mouseMove(v, point(step.to));
            QTest::mouseRelease(v, Qt::LeftButton, Qt::NoModifier, point(step.to));
            break;
        case Step::Select:
            box.setPosition(qtPosition(text, step.anchor));
            box.setPosition(qtPosition(text, step.caret), true);
            break;
    }
}

}  // namespace

void TextBoxKeysTest::editingTable() {
    int shown = 0;
    for (const drill::testing::EditingCase& c : drill::testing::editingCases()) {
        CodePageTextEdit box;
        box.setFont(boxFont());
        box.resize(345, 350);
        // Each box somewhere else: a click in the next box at the same place
        // would be the second click of a double-click.
        box.move(40 * (shown % 8), 30 * (shown / 8));
        ++shown;
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.resetCodePageText(c.before);
        box.setPosition(qtPosition(c.before, c.caret));
        for (const drill::testing::Step& step : c.steps) run(box, step);
        QVERIFY2(box.codePageText() == c.qt.text.value_or(c.after), c.what);
        QVERIFY2(bytesOf(box.codePageText(), box.anchor()) == c.qt.anchor, c.what);
        QVERIFY2(bytesOf(box.codePageText(), box.position()) == c.qt.caret, c.what);
    }
}

// A screen reader reads both boxes by the same characters, words, lines
// and paragraphs: at, before and after each offset.
void TextBoxKeysTest::screenReaderUnitsAsInQtsBox() {
    Pair pair;
    QVERIFY(pair.show("A first line.\r\n\r\n" + repeated("The level rises (5.2 cm) quickly,   then more slowly. ", 700) +
                      "\r\n  indented   \r\nlast"));
    QAccessibleTextInterface* qt = QAccessible::queryAccessibleInterface(&pair.edit)->textInterface();
    QAccessibleTextInterface* box = QAccessible::queryAccessibleInterface(&pair.box)->textInterface();
    QVERIFY(qt != nullptr && box != nullptr);
    QCOMPARE(box->characterCount(), qt->characterCount());
    using Read = QString (QAccessibleTextInterface::*)(int, QAccessible::TextBoundaryType, int*, int*) const;
    const std::pair<Read, const char*> reads[] = {{&QAccessibleTextInterface::textAtOffset, "at"},
                                                  {&QAccessibleTextInterface::textBeforeOffset, "before"},
                                                  {&QAccessibleTextInterface::textAfterOffset, "after"}};
    const int count = qt->characterCount();
    for (int offset = 0; offset <= count; offset += offset < 400 || offset > count - 60 ? 1 : 97) {
        for (const auto type : {QAccessible::CharBoundary, QAccessible::WordBoundary, QAccessible::LineBoundary,
                                QAccessible::ParagraphBoundary}) {
            for (const auto& [read, name] : reads) {
                int qs = 0, qe = 0, bs = 0, be = 0;
                const QString want = (qt->*read)(offset, type, &qs, &qe);
                const QString got = (box->*read)(offset, type, &bs, &be);
                const QByteArray where = QByteArray(name) + " offset " + QByteArray::number(offset) + ", unit " +
                                         QByteArray::number(static_cast<int>(type)) + ": " + QByteArray::number(bs) +
                                         "-" + QByteArray::number(be) + ", Qt's " + QByteArray::number(qs) + "-" +
                                         QByteArray::number(qe);
                QVERIFY2(got == want && bs == qs && be == qe, where.constData());
            }
        }
    }
}

void TextBoxKeysTest::typingLaysOutOnlyNearbyLines() {
    // A notes file shown as one paragraph of a megabyte: each keystroke
    // lays out a few lines, not the paragraph, and the lines are then those
    // of the same text laid out whole.
    const std::string notes = repeated("NOTES -------> the notes run on without a line break. ", 1 << 20);
    CodePageTextEdit box;
    box.resize(345, 350);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.setCodePageText(notes);
    QCOMPARE(box.lastLaidOut(), notes.size());
    for (int at : {0, 400'000, static_cast<int>(notes.size())}) {
        box.setPosition(at);
        QTest::keyClicks(&box, "typed ");
        QVERIFY2(box.lastLaidOut() < 1000, QByteArray::number(static_cast<qulonglong>(box.lastLaidOut())));
        for (int k = 0; k < 6; ++k) QTest::keyClick(&box, Qt::Key_Backspace);
        QVERIFY(box.lastLaidOut() < 1000);
    }
    QCOMPARE(box.codePageText(), notes);
    const QList<int> lines = linesOf(box);
    box.setCodePageText({});
    box.setCodePageText(notes);
    QCOMPARE(lines, linesOf(box));
}

QTEST_MAIN(TextBoxKeysTest)
#include "text_box_keys_test.moc"
