// The box wraps, moves its caret and edits as Qt's own plain-text box does:
// both get the same text at the same size and then the same keys, and must
// agree on every line, the caret, the selection and the text after each key.
#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
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
    QPlainTextEdit edit;
    edit.setFont(boxFont());
    edit.setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    edit.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit.setTabChangesFocus(true);
    CodePageTextEdit box;
    box.setFont(boxFont());
    for (QAbstractScrollArea* w : {static_cast<QAbstractScrollArea*>(&edit), static_cast<QAbstractScrollArea*>(&box)}) {
        w->resize(345, 350);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }
    QCOMPARE(box.viewport()->width(), edit.viewport()->width());
    edit.setPlainText(drill::toQt(text));
    box.setCodePageText(text);
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
        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier}, {Qt::Key_Down}, {Qt::Key_Down},
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
