// Texts crossing between the code page and Qt: the conversion itself, and
// real boxes holding, typing and pasting text.
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <string>

#include "drill/texts.h"
#include "window/qt/code_page_text.h"
#include "window/qt/text_box.h"

using drill::CodePageTextEdit;
using drill::fromQt;
using drill::toQt;

namespace {

void typeText(QWidget* w, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

}  // namespace

class TextBoxTest : public QObject {
    Q_OBJECT

private slots:
    void toQt_data();
    void toQt();
    void fromQt_data();
    void fromQt();
    void everyByteSurvivesTheCrossing();
    void noCharacterOutsideTheCodePageBecomesSubstitute();
    void limitKeepsLineBreaks();

    void boxRoundTrip_data();
    void boxRoundTrip();
    void promptReadsBackEqual();
    void boxShowsLineBreaksAsLines();
    void typedCharacterOutsideCodePageBecomesQuestionMark();
    void inputMethodCommitIsLimited();
    void pastedTextIsLimitedAndKeepsLines();
    void shiftReturnIsALineBreak();
    void lineEditLimitsTypedText();
    void largeTextRoundTrip();
    void screenReaderReadsAndEditsTheText();
};

void TextBoxTest::toQt_data() {
    QTest::addColumn<QByteArray>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("CR LF") << QByteArray("a\r\nb") << QString("a\nb");
    QTest::newRow("lone CR") << QByteArray("a\rb") << QString("a\nb");
    QTest::newRow("lone LF") << QByteArray("a\nb") << QString("a\nb");
    QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << QString("a\n\nb");
    QTest::newRow("trailing CR") << QByteArray("a\r") << QString("a\n");
    QTest::newRow("two breaks") << QByteArray("\r\n\r\n") << QString("\n\n");
    QTest::newRow("euro") << QByteArray("\x80") << QString(QChar(0x20AC));
    QTest::newRow("e acute") << QByteArray("\xE9") << QString(QChar(0xE9));
    QTest::newRow("undefined 81") << QByteArray("\x81") << QString(QChar(0x81));
    QTest::newRow("no-break space") << QByteArray("\xA0") << QString(QChar(0xA0));
    QTest::newRow("y diaeresis 9F") << QByteArray("\x9F") << QString(QChar(0x178));
    QTest::newRow("tab") << QByteArray("\t") << QString("\t");
}

void TextBoxTest::toQt() {
    QFETCH(QByteArray, in);
    QFETCH(QString, out);
    QCOMPARE(drill::toQt(std::string_view(in.constData(), in.size())), out);
}

void TextBoxTest::fromQt_data() {
    QTest::addColumn<QString>("in");
    QTest::addColumn<QByteArray>("out");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("line feed") << QString("a\nb") << QByteArray("a\r\nb");
    QTest::newRow("paragraph separator") << QString("a") + QChar(0x2029) + "b" << QByteArray("a\r\nb");
    QTest::newRow("line separator") << QString("a") + QChar(0x2028) + "b" << QByteArray("a\r\nb");
    QTest::newRow("euro") << QString(QChar(0x20AC)) << QByteArray("\x80");
    QTest::newRow("e acute") << QString(QChar(0xE9)) << QByteArray("\xE9");
    QTest::newRow("greek omega") << QString(QChar(0x3A9)) << QByteArray("?");
    QTest::newRow("replacement char") << QString(QChar(0xFFFD)) << QByteArray("?");
    QTest::newRow("emoji is one character")
        << QString::fromUtf8("a\xF0\x9F\x98\x80" "b") << QByteArray("a?b");
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("?");
    QTest::newRow("question mark") << QString("?") << QByteArray("?");
    QTest::newRow("mixed") << QString::fromUtf8("caf\xC3\xA9 \xE2\x82\xAC" "5\n\xE2\x84\xA6")
                           << QByteArray("caf\xE9 \x80" "5\r\n?");
}

void TextBoxTest::fromQt() {
    QFETCH(QString, in);
    QFETCH(QByteArray, out);
    const std::string got = drill::fromQt(in);
    QCOMPARE(QByteArray(got.data(), static_cast<qsizetype>(got.size())), out);
}

void TextBoxTest::everyByteSurvivesTheCrossing() {
    for (int b = 0; b < 256; ++b) {
        if (b == '\r' || b == '\n') continue;
        const std::string one(1, static_cast<char>(b));
        QCOMPARE(drill::fromQt(drill::toQt(one)), one);
        QVERIFY(drill::inCodePage(drill::toQt(one).at(0).unicode()));
    }
}

void TextBoxTest::noCharacterOutsideTheCodePageBecomesSubstitute() {
    // Qt's own encoder writes 0x1A for what it cannot encode; that byte
    // must never stand for a character the student typed.
    int outside = 0;
    for (char32_t c = 0x100; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const QChar ch(static_cast<char16_t>(c));
        const std::string got = drill::fromQt(QString(ch));
        if (c == 0x2028 || c == 0x2029) continue;
        if (drill::inCodePage(c)) {
            QCOMPARE(got.size(), std::size_t{1});
            QVERIFY(static_cast<unsigned char>(got[0]) >= 0x80);
        } else {
            ++outside;
            QCOMPARE(got, std::string("?"));
        }
    }
    // 27 of the code page's characters lie above U+00FF.
    QCOMPARE(outside, 0x10000 - 0x100 - 0x800 - 2 - 27);
}

void TextBoxTest::limitKeepsLineBreaks() {
    const QString in = QString("a\n") + QChar(0x2029) + QChar(0x3A9) + QChar(0x20AC) +
                       QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString want = QString("a\n") + QChar(0x2029) + "?" + QChar(0x20AC) + "?";
    QCOMPARE(drill::limitToCodePage(in), want);
}

void TextBoxTest::boxRoundTrip_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one blank") << QByteArray(" ");
    QTest::newRow("code-page letters") << QByteArray("caf\xE9 \x80 \x9C\xFF");
    QTest::newRow("no-break space") << QByteArray("a\xA0" "b");
    QTest::newRow("lines") << QByteArray("one\r\ntwo\r\nthree");
    QTest::newRow("empty lines") << QByteArray("\r\n\r\na\r\n\r\n");
    QTest::newRow("ends with break") << QByteArray("last\r\n");
    QTest::newRow("tab") << QByteArray("a\tb");
}

void TextBoxTest::boxRoundTrip() {
    QFETCH(QByteArray, text);
    CodePageTextEdit box;
    const std::string in(text.constData(), static_cast<std::size_t>(text.size()));
    box.setCodePageText(in);
    QCOMPARE(box.codePageText(), in);
}

void TextBoxTest::promptReadsBackEqual() {
    const std::string prompt =
        std::string(drill::texts::kInstruction1) + "\r\n\r\n" + drill::texts::kInstruction2;
    CodePageTextEdit box;
    box.setCodePageText(prompt);
    QCOMPARE(box.codePageText(), prompt);
}

void TextBoxTest::boxShowsLineBreaksAsLines() {
    CodePageTextEdit box;
    box.setCodePageText("a\r\n\r\nb\rc");
    QCOMPARE(box.lineCount(), 4);
    QCOMPARE(box.toPlainText(), QString("a\n\nb\nc"));
}

void TextBoxTest::typedCharacterOutsideCodePageBecomesQuestionMark() {
    CodePageTextEdit box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.setFocus();
    typeText(&box, QString(QChar(0xE9)));
    typeText(&box, QString(QChar(0x3A9)));
    typeText(&box, QString::fromUtf8("\xF0\x9F\x98\x80"));
    typeText(&box, QString(QChar(0x20AC)));
    // The box shows what will be recorded.
    QCOMPARE(box.toPlainText(), QString(QChar(0xE9)) + "??" + QChar(0x20AC));
    QCOMPARE(box.codePageText(), std::string("\xE9??\x80"));
}

void TextBoxTest::inputMethodCommitIsLimited() {
    CodePageTextEdit box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QInputMethodEvent event;
    event.setCommitString(QString(QChar(0x4E2D)) + QChar(0xE9));
    QApplication::sendEvent(&box, &event);
    QCOMPARE(box.toPlainText(), QString("?") + QChar(0xE9));
    // What is still being composed is shown but not yet in the text; the
    // commit replaces the character before the caret, as the method asks.
    QInputMethodEvent composing(QStringLiteral("e"), {});
    QApplication::sendEvent(&box, &composing);
    QCOMPARE(box.codePageText(), std::string("?\xE9"));
    QInputMethodEvent replacing;
    replacing.setCommitString(QString(QChar(0x20AC)), -1, 1);
    QApplication::sendEvent(&box, &replacing);
    QCOMPARE(box.codePageText(), std::string("?\x80"));
    QCOMPARE(static_cast<QWidget&>(box).inputMethodQuery(Qt::ImSurroundingText).toString(), QString("?") + QChar(0x20AC));
    QCOMPARE(static_cast<QWidget&>(box).inputMethodQuery(Qt::ImCursorPosition).toInt(), 2);
}

void TextBoxTest::pastedTextIsLimitedAndKeepsLines() {
    CodePageTextEdit box;
    QApplication::clipboard()->setText(QString("x\r\n") + QChar(0x3A9) + "\ry");
    box.paste();
    QCOMPARE(box.toPlainText(), QString("x\n?\ny"));
    QCOMPARE(box.codePageText(), std::string("x\r\n?\r\ny"));
}

void TextBoxTest::shiftReturnIsALineBreak() {
    CodePageTextEdit box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::keyClicks(&box, "first");
    QTest::keyClick(&box, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(&box, "second");
    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClicks(&box, "third");
    QCOMPARE(box.codePageText(), std::string("first\r\nsecond\r\nthird"));
}

void TextBoxTest::lineEditLimitsTypedText() {
    QLineEdit edit("1");
    drill::limitToCodePage(&edit);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    edit.setCursorPosition(1);
    typeText(&edit, QString::fromUtf8("\xF0\x9F\x98\x80"));
    typeText(&edit, QString(QChar(0xE9)));
    QCOMPARE(edit.text(), QString("1?") + QChar(0xE9));
    QCOMPARE(edit.cursorPosition(), 3);
    // A paste with line breaks keeps its first line, and what stood after
    // the caret stays.
    edit.setText("Ann Lee");
    edit.setCursorPosition(3);
    QGuiApplication::clipboard()->setText("-Marie\nInitials:  FORGED");
    edit.paste();
    QCOMPARE(edit.text(), QString("Ann-Marie Lee"));
    QCOMPARE(edit.cursorPosition(), 9);
    // Setting a text from the program is not editing; it is left alone.
    edit.setText(QString(QChar(0x3A9)));
    QCOMPARE(edit.text(), QString(QChar(0x3A9)));
}

void TextBoxTest::largeTextRoundTrip() {
    // Ten megabytes of lines, as a long session's transcript can grow to.
    std::string big;
    const std::string line = "The water level in the second bottle \xE9\x80 rises.\r\n";
    while (big.size() < 10'000'000) big += line;
    CodePageTextEdit box;
    box.setCodePageText(big);
    QCOMPARE(box.codePageText().size(), big.size());
    QVERIFY(box.codePageText() == big);
}

void TextBoxTest::screenReaderReadsAndEditsTheText() {
    CodePageTextEdit box;
    box.setCodePageText("caf\xE9\r\nsecond line");
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&box);
    QVERIFY(a != nullptr);
    QCOMPARE(a->role(), QAccessible::EditableText);
    QVERIFY(a->state().multiLine && a->state().editable);
    QAccessibleTextInterface* text = a->textInterface();
    QVERIFY(text != nullptr);
    QCOMPARE(text->characterCount(), 16);
    QCOMPARE(text->text(0, 16), QString::fromUtf8("caf\xC3\xA9\nsecond line"));
    QCOMPARE(text->text(3, 6), QString::fromUtf8("\xC3\xA9\ns"));
    text->setSelection(0, 5, 11);
    QCOMPARE(box.selectedText(), QString("second"));
    QCOMPARE(text->cursorPosition(), 11);
    // An edit through it is the student's own: limited to the code page.
    a->editableTextInterface()->replaceText(5, 11, QString(QChar(0x3A9)) + QChar(0x20AC));
    QCOMPARE(box.codePageText(), std::string("caf\xE9\r\n?\x80 line"));
    QVERIFY(box.isUndoAvailable());
}

QTEST_MAIN(TextBoxTest)
#include "text_box_test.moc"
