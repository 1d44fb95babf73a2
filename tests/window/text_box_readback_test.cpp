// A text box gives back the text it was set to without reading it out of Qt
// again; what it gives must always be what the box really holds, however the
// box was changed since.
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QTest>
#include <functional>
#include <string>

#include "window/qt/code_page_text.h"
#include "window/qt/text_box.h"

using drill::CodePageTextEdit;

Q_DECLARE_METATYPE(std::string)

namespace {

// What the box holds, as the student copies it out of the box.
std::string held(CodePageTextEdit& box) {
    QApplication::clipboard()->clear();
    box.selectAll();
    box.copy();
    return drill::fromQt(QApplication::clipboard()->text());
}

void typeText(QWidget* w, const QString& text, int key = 0) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

std::string everyByte() {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    return all;
}

using Edit = std::function<void(CodePageTextEdit&)>;

}  // namespace

Q_DECLARE_METATYPE(Edit)

class TextBoxReadbackTest : public QObject {
    Q_OBJECT

private slots:
    void givesBackWhatItHolds_data();
    void givesBackWhatItHolds();
    void seesEveryOtherChange_data();
    void seesEveryOtherChange();
    void setAfterAnEditIsKnownAgain();
};

void TextBoxReadbackTest::givesBackWhatItHolds_data() {
    QTest::addColumn<std::string>("text");
    QTest::addColumn<std::string>("readBack");
    QTest::newRow("empty") << std::string() << std::string();
    QTest::newRow("one blank") << std::string(" ") << std::string(" ");
    QTest::newRow("CR LF") << std::string("a\r\nb") << std::string("a\r\nb");
    QTest::newRow("lone CR") << std::string("a\rb") << std::string("a\r\nb");
    QTest::newRow("lone LF") << std::string("a\nb") << std::string("a\r\nb");
    QTest::newRow("LF CR") << std::string("a\n\rb") << std::string("a\r\n\r\nb");
    QTest::newRow("CR CR LF") << std::string("a\r\r\nb") << std::string("a\r\n\r\nb");
    QTest::newRow("trailing CR") << std::string("a\r") << std::string("a\r\n");
    QTest::newRow("leading LF") << std::string("\na") << std::string("\r\na");
    QTest::newRow("only breaks") << std::string("\r\n\r\n") << std::string("\r\n\r\n");
    QTest::newRow("no-break space, euro, undefined 81")
        << std::string("x\xA0y\x80z\x81") << std::string("x\xA0y\x80z\x81");
    std::string all = everyByte();
    std::string allBack;
    // LF (10) and CR (13) stand alone there: each is a line break of its own.
    for (char c : all) {
        if (c == '\n' || c == '\r')
            allBack += "\r\n";
        else
            allBack.push_back(c);
    }
    QTest::newRow("every byte") << all << allBack;
}

void TextBoxReadbackTest::givesBackWhatItHolds() {
    QFETCH(std::string, text);
    QFETCH(std::string, readBack);
    CodePageTextEdit box;
    box.setCodePageText("something else first");
    box.setCodePageText(text);
    QCOMPARE(box.codePageText(), readBack);
    QCOMPARE(box.codePageText(), held(box));
}

void TextBoxReadbackTest::seesEveryOtherChange_data() {
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<std::string>("after");
    const auto atEnd = [](CodePageTextEdit& box) { box.setPosition(box.characterCount()); };
    QTest::newRow("typed") << Edit([=](CodePageTextEdit& box) {
        atEnd(box);
        typeText(&box, "!");
    }) << std::string("first line\r\nsecond!");
    QTest::newRow("backspace") << Edit([=](CodePageTextEdit& box) {
        atEnd(box);
        typeText(&box, QString(), Qt::Key_Backspace);
    }) << std::string("first line\r\nsecon");
    QTest::newRow("pasted") << Edit([=](CodePageTextEdit& box) {
        atEnd(box);
        QApplication::clipboard()->setText("\rthird");
        box.paste();
    }) << std::string("first line\r\nsecond\r\nthird");
    QTest::newRow("typed, undone, redone") << Edit([=](CodePageTextEdit& box) {
        box.setPosition(0);
        typeText(&box, "x");
        box.undo();
        box.redo();
    }) << std::string("xfirst line\r\nsecond");
    QTest::newRow("selected and deleted") << Edit([](CodePageTextEdit& box) {
        box.selectAll();
        typeText(&box, QString(), Qt::Key_Delete);
    }) << std::string();
    QTest::newRow("cleared") << Edit([](CodePageTextEdit& box) {
        box.clear();
    }) << std::string();
    QTest::newRow("set through Qt") << Edit([](CodePageTextEdit& box) {
        box.setPlainText("other");
    }) << std::string("other");
    QTest::newRow("cursor insert") << Edit([](CodePageTextEdit& box) {
        box.setPosition(0);
        box.insertPlainText("0 ");
    }) << std::string("0 first line\r\nsecond");
}

void TextBoxReadbackTest::seesEveryOtherChange() {
    QFETCH(Edit, edit);
    QFETCH(std::string, after);
    CodePageTextEdit box;
    box.setCodePageText("first line\r\nsecond");
    QCOMPARE(box.codePageText(), std::string("first line\r\nsecond"));
    edit(box);
    QCOMPARE(held(box), after);
    QCOMPARE(box.codePageText(), after);
}

void TextBoxReadbackTest::setAfterAnEditIsKnownAgain() {
    CodePageTextEdit box;
    box.setCodePageText("one");
    box.setPosition(box.characterCount());
    typeText(&box, "!");
    QCOMPARE(box.codePageText(), std::string("one!"));
    box.setCodePageText("two\rlines");
    QCOMPARE(box.codePageText(), std::string("two\r\nlines"));
    QCOMPARE(held(box), std::string("two\r\nlines"));
    // And the next edit is seen again.
    box.setPosition(box.characterCount());
    typeText(&box, "?");
    QCOMPARE(box.codePageText(), std::string("two\r\nlines?"));
}

QTEST_MAIN(TextBoxReadbackTest)
#include "text_box_readback_test.moc"
