// A box set to its own text with more after it only lays out its last lines
// and the more; it must then look and behave exactly as a box given the
// whole text at once.
#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <functional>
#include <string>

#include "window/qt/text_box.h"

using drill::CodePageTextEdit;

Q_DECLARE_METATYPE(std::string)

namespace {

using Prepare = std::function<void(CodePageTextEdit&)>;

// A long session's text: answers over two lines, questions run together.
std::string session(std::size_t bytes) {
    std::string out;
    while (out.size() < bytes)
        out += " YOUR ANSWER  ->->->->  The level rises quickly at first.\r\nThen more slowly."
               " <-<-<-<-  Q/A:   For the situation just described sketch graphs of the flow rate"
               " from the first bottle, flow rate vs. depth for the second bottle.";
    return out;
}

std::string oneParagraph(std::size_t bytes) {
    std::string out;
    while (out.size() < bytes) out += "the notes run on without a line break ";
    return out;
}

// Everything the student can see of a box, and what the next keystroke
// or undo would act on.
struct Look {
    QImage image;
    int value, maximum, pageStep, position, anchor, lines;
    QRect caret;
    bool undo, redo, modified;
    std::string text;

    static Look of(CodePageTextEdit& box) {
        QApplication::processEvents();
        QApplication::processEvents();
        Look l;
        l.image = box.grab().toImage();
        const QScrollBar* bar = box.verticalScrollBar();
        l.value = bar->value();
        l.maximum = bar->maximum();
        l.pageStep = bar->pageStep();
        l.position = box.position();
        l.anchor = box.anchor();
        l.lines = box.lineCount();
        l.caret = box.caretRect();
        l.undo = box.isUndoAvailable();
        l.redo = box.isRedoAvailable();
        l.modified = box.isModified();
        l.text = box.codePageText();
        return l;
    }
};

void showBox(CodePageTextEdit& box) {
    box.resize(345, 350);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
}

}  // namespace

Q_DECLARE_METATYPE(Prepare)

class TextBoxAppendTest : public QObject {
    Q_OBJECT

private slots:
    void looksAsIfSetWhole_data();
    void looksAsIfSetWhole();
};

void TextBoxAppendTest::looksAsIfSetWhole_data() {
    QTest::addColumn<std::string>("before");
    QTest::addColumn<std::string>("after");
    QTest::addColumn<Prepare>("prepare");
    QTest::addColumn<bool>("added");

    const Prepare nothing = [](CodePageTextEdit&) {};
    const Prepare toBottom = [](CodePageTextEdit& box) {
        box.verticalScrollBar()->setValue(box.verticalScrollBar()->maximum());
    };
    const Prepare toMiddle = [](CodePageTextEdit& box) {
        box.verticalScrollBar()->setValue(box.verticalScrollBar()->maximum() / 2);
    };
    const Prepare select = [](CodePageTextEdit& box) {
        box.setPosition(100);
        box.setPosition(400, true);
    };
    const std::string long_ = session(80 * 1024);
    const std::string line = "Go do the experiment  Measure depth vs. clock time.";

    QTest::newRow("a line added") << long_ << long_ + line << nothing << true;
    QTest::newRow("lines added") << long_ << long_ + line + "\r\n" + line + "\r\n" << nothing << true;
    QTest::newRow("added after scrolling to the end") << long_ << long_ + line << toBottom << true;
    QTest::newRow("added after scrolling halfway") << long_ << long_ + line << toMiddle << true;
    QTest::newRow("added with a selection") << long_ << long_ + line << select << true;
    QTest::newRow("more megabytes") << session(2 << 20) << session(2 << 20) + line << toMiddle << true;
    QTest::newRow("one long paragraph")
        << oneParagraph(70 * 1024) << oneParagraph(70 * 1024) + line << nothing << true;
    // Laid out whole: a box of one line (all of it either way), not the
    // same start. A lone line break added is a CR LF added.
    QTest::newRow("short box") << std::string("one") << std::string("one two") << nothing << false;
    QTest::newRow("lines after one long paragraph")
        << oneParagraph(70 * 1024) + "\r\n" + line << oneParagraph(70 * 1024) + "\r\n" + line + line
        << toBottom << true;
    QTest::newRow("lone LF added") << long_ << long_ + "\n" + line << nothing << true;
    QTest::newRow("lone CR added") << long_ << long_ + line + "\r" << toBottom << true;
    QTest::newRow("different start") << long_ << "x" + long_ << nothing << false;
}

void TextBoxAppendTest::looksAsIfSetWhole() {
    QFETCH(std::string, before);
    QFETCH(std::string, after);
    QFETCH(Prepare, prepare);
    QFETCH(bool, added);

    CodePageTextEdit box;
    showBox(box);
    box.setCodePageText(before);
    Look::of(box);
    prepare(box);
    Look::of(box);
    box.setCodePageText(after);
    Look::of(box);
    QCOMPARE(box.lastLaidOut() < after.size(), added);

    CodePageTextEdit whole;
    showBox(whole);
    whole.setCodePageText(after);

    // Alike at once, and alike again once both are scrolled to the end,
    // which lays out what was not in view before.
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            for (CodePageTextEdit* b : {&box, &whole})
                b->verticalScrollBar()->setValue(b->verticalScrollBar()->maximum());
        }
        const Look got = Look::of(box);
        const Look want = Look::of(whole);
        QVERIFY(got.text == want.text);
        QCOMPARE(got.value, want.value);
        QCOMPARE(got.maximum, want.maximum);
        QCOMPARE(got.pageStep, want.pageStep);
        QCOMPARE(got.position, want.position);
        QCOMPARE(got.anchor, want.anchor);
        QCOMPARE(got.lines, want.lines);
        QCOMPARE(got.caret, want.caret);
        QCOMPARE(got.undo, want.undo);
        QCOMPARE(got.redo, want.redo);
        QCOMPARE(got.modified, want.modified);
        QVERIFY(got.image == want.image);
    }
}

QTEST_MAIN(TextBoxAppendTest)
#include "text_box_append_test.moc"
