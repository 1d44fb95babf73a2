// The box wraps, moves its caret and edits as Qt's own plain-text box does:
// both get the same text at the same size and then the same keys, and must
// agree on every line, the caret, the selection and the text after each key.
#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <QTextBlock>
#include <QTextLayout>
#include <string>

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
    void mouseAsInQtsBox();
    void caretStaysInView();
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
    }
}

void TextBoxKeysTest::mouseAsInQtsBox() {
    // Clicks on characters, past the ends of lines, below the text; a click
    // with Shift extends the selection, a drag selects.
    Pair pair;
    QVERIFY(pair.show(repeated("The level rises quickly at first,   then more slowly. ", 600) + "\r\n\r\nlast"));
    const QPoint points[] = {{10, 10}, {60, 10}, {61, 25}, {200, 40}, {330, 40}, {5, 70}, {150, 100},
                             {320, 130}, {100, 160}, {2, 2}, {100, 200}};
    for (QWidget* v : {pair.edit.viewport(), static_cast<QWidget*>(pair.box.viewport())}) {
        for (const QPoint& p : points) {
            QTest::mouseClick(v, Qt::LeftButton, Qt::NoModifier, p);
            const int position = v == pair.box.viewport() ? pair.box.position() : pair.edit.textCursor().position();
            v->setProperty(QByteArray("at") + QByteArray::number(p.x()) + "," + QByteArray::number(p.y()), position);
        }
        QTest::mouseClick(v, Qt::LeftButton, Qt::NoModifier, {40, 25});
        QTest::mouseClick(v, Qt::LeftButton, Qt::ShiftModifier, {250, 100});
        QTest::mousePress(v, Qt::LeftButton, Qt::NoModifier, {30, 130});
        QTest::mouseMove(v, {180, 160});
        QTest::mouseRelease(v, Qt::LeftButton, Qt::NoModifier, {180, 160});
    }
    for (const QPoint& p : points) {
        const QByteArray name = QByteArray("at") + QByteArray::number(p.x()) + "," + QByteArray::number(p.y());
        QVERIFY2(pair.box.viewport()->property(name) == pair.edit.viewport()->property(name), name.constData());
    }
    QCOMPARE(pair.box.position(), pair.edit.textCursor().position());
    QCOMPARE(pair.box.anchor(), pair.edit.textCursor().anchor());
    // A double-click selects the word.
    for (const QPoint& p : {QPoint(60, 10), QPoint(200, 40), QPoint(150, 100)}) {
        QTest::mouseDClick(pair.edit.viewport(), Qt::LeftButton, Qt::NoModifier, p);
        QTest::mouseDClick(pair.box.viewport(), Qt::LeftButton, Qt::NoModifier, p);
        QCOMPARE(pair.box.selectedText(), pair.edit.textCursor().selectedText());
        QCOMPARE(pair.box.position(), pair.edit.textCursor().position());
    }
}

void TextBoxKeysTest::caretStaysInView() {
    Pair pair;
    QVERIFY(pair.show(repeated("notes run on and on without a line break ", 20000)));
    CodePageTextEdit& box = pair.box;
    const QRect view = box.viewport()->rect();
    QTest::keyClick(&box, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(box.verticalScrollBar()->value(), box.verticalScrollBar()->maximum());
    QVERIFY(view.contains(box.caretRect()));
    QCOMPARE(box.lineOfPosition(box.position()), box.lineCount() - 1);
    // A page up and down moves the caret by as many lines as the box shows.
    const int line = box.lineOfPosition(box.position());
    QTest::keyClick(&box, Qt::Key_PageUp);
    QCOMPARE(box.lineOfPosition(box.position()), line - box.verticalScrollBar()->pageStep());
    QVERIFY(view.contains(box.caretRect()));
    QTest::keyClick(&box, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(&box, Qt::Key_PageDown);
    QCOMPARE(box.lineOfPosition(box.position()), box.verticalScrollBar()->pageStep());
    QVERIFY(view.contains(box.caretRect()));
    // The wheel scrolls the text, and the caret stays where it was.
    const int at = box.position();
    const int top = box.verticalScrollBar()->value();
    QWheelEvent wheel(QPointF(50, 50), box.viewport()->mapToGlobal(QPointF(50, 50)), {}, {0, -120}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(box.viewport(), &wheel);
    QCOMPARE(box.verticalScrollBar()->value(), top + QApplication::wheelScrollLines());
    QCOMPARE(box.position(), at);
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
