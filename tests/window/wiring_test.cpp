// Which control runs which command, the controls that run none, the event
// boundary's handling of failures and of the end of the program.
#include <QLineEdit>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTest>
#include <map>
#include <set>
#include <string>
#include <tuple>

#include "drill/texts.h"
#include "window/qt/picture_panel.h"
#include "window/qt/text_box.h"
#include "window_rig.h"

using drill::TextBox;
using drill::testing::readFile;
using drill::testing::WindowRig;

namespace {

const std::string kLine3 =
    "If you were to let the water from one bottle flow into another bottle, with tubes at the "
    "bottom of both bottles and the first bottle full and with water just to the level of the "
    "hole in the second bottle, then how will the water level in the second bottle change with "
    "clock time from the beginning until the water in both bottles is again at the level of the "
    "holes?";
const std::string kLine5 =
    "For the situation just described sketch graphs of the flow rate from the first bottle, flow "
    "rate vs. depth for the second bottle and depth vs. clock time for the second.";

std::string prompt() {
    return std::string(drill::texts::kInstruction1) + "\r\n\r\n" + drill::texts::kInstruction2;
}

// Everything a command could change, to tell that a control did nothing.
struct Snapshot {
    std::string question, answer;
    long scriptIndex;
    bool answerPending;
    std::string responseText, cumulativeText;
    std::map<std::string, std::string> files;
    QImage drawing;
    std::optional<drill::Picture> picture2;
    bool timerActive;
    std::size_t messages;
    int beeps, draws;
    bool ended;

    static Snapshot of(WindowRig& rig) {
        Snapshot s;
        s.question = rig.question();
        s.answer = rig.answer();
        const auto& st = rig.state;
        s.scriptIndex = st.scriptIndex;
        s.answerPending = st.answerPending;
        s.responseText = st.responseText;
        s.cumulativeText = st.cumulativeText;
        for (const auto& e : std::filesystem::directory_iterator(rig.home("")))
            s.files[e.path().filename().string()] = readFile(e.path());
        s.drawing = rig.find<drill::PicturePanel>("Picture1")->drawing();
        s.picture2 = rig.find<drill::PicturePanel>("Picture2")->picture();
        s.timerActive = rig.timer.enabled();
        s.messages = rig.dialogs.messages.size();
        s.beeps = rig.beeper.beeps;
        s.draws = rig.random.drawCount;
        s.ended = rig.window.programEnded();
        return s;
    }
    bool operator==(const Snapshot& o) const {
        return question == o.question && answer == o.answer && scriptIndex == o.scriptIndex &&
               answerPending == o.answerPending && responseText == o.responseText &&
               cumulativeText == o.cumulativeText && files == o.files && drawing == o.drawing &&
               picture2 == o.picture2 && timerActive == o.timerActive &&
               messages == o.messages && beeps == o.beeps && draws == o.draws && ended == o.ended;
    }
};

// The widgets of a window that were painted since it started watching.
class PaintLog : public QObject {
public:
    explicit PaintLog(QWidget& window) {
        window.installEventFilter(this);
        for (QWidget* w : window.findChildren<QWidget*>()) w->installEventFilter(this);
    }
    std::set<QObject*> painted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted.insert(watched);
        return false;
    }
};

void typeLines(QWidget* box, const QStringList& lines) {
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0) QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClicks(box, lines[i]);
    }
}

}  // namespace

class WiringTest : public QObject {
    Q_OBJECT

private slots:
    void nextQuestionAddsLinesAndPutsPromptBack();
    void unchangedPromptRecordsNothing();
    void pastTheEndShowsMessageAAndEnds();
    void enterResponseWritesTypedLines();
    void notesAreSavedShownAndLogged();
    void clearBoxEmptiesOnlyTheAnswerBox();
    void emptyingABoxRepaintsOnlyThatBox();
    void pendExpEnablesTheTimer();
    void deadControlsChangeNothing_data();
    void deadControlsChangeNothing();
    void smallBoxesChangeNoCommand();
    void nextPicture_data();
    void nextPicture();
    void quitEndsAtOnce();
    void closingTheWindowEnds();
    void quitRequestedDuringABoxEndsAfterIt();
    void failureShowsMessageBAndGoesOn();
    void endingDuringLoadShowsNoWindow_data();
    void endingDuringLoadShowsNoWindow();
};

void WiringTest::nextQuestionAddsLinesAndPutsPromptBack() {
    WindowRig rig;
    QVERIFY(rig.open());
    rig.press("cmdNextQuestion");
    QCOMPARE(rig.question(), kLine3);
    QCOMPARE(rig.answer(), std::string(" "));
    rig.press("cmdNextQuestion");
    // Run together, newest at the bottom; the unanswered question brings the
    // prompt into the answer box, and it reads back exactly.
    QCOMPARE(rig.question(), kLine3 + kLine5);
    QCOMPARE(rig.answer(), prompt());
    QCOMPARE(rig.answer(), rig.state.answerPrompt);
    // On the screen the prompt is three lines: two breaks, one empty line.
    QCOMPARE(rig.find<drill::CodePageTextEdit>("txt_answer")->toPlainText().split(u'\n').size(), 3);
}

void WiringTest::unchangedPromptRecordsNothing() {
    WindowRig rig;
    QVERIFY(rig.open());
    const std::string master = readFile(rig.home("masterFile_Ann_Lee.txt"));
    QVERIFY(!master.empty());
    rig.press("cmdNextQuestion");
    rig.press("cmdNextQuestion");
    QCOMPARE(rig.answer(), prompt());
    rig.press("cmd_enter_response");
    QCOMPARE(readFile(rig.home("masterFile_Ann_Lee.txt")), master);
    QCOMPARE(rig.question(), std::string());
    QCOMPARE(rig.answer(), std::string());
}

void WiringTest::pastTheEndShowsMessageAAndEnds() {
    WindowRig rig;
    QVERIFY(rig.open());
    for (int i = 0; i < 3; ++i) rig.press("cmdNextQuestion");
    QVERIFY(!rig.window.programEnded());
    QVERIFY(rig.dialogs.messages.empty());
    rig.press("cmdNextQuestion");
    QCOMPARE(rig.dialogs.messages, std::vector<std::string>{drill::texts::kMessageA});
    QVERIFY(rig.window.programEnded());
    QVERIFY(!rig.window.isVisible());
}

void WiringTest::enterResponseWritesTypedLines() {
    WindowRig rig;
    QVERIFY(rig.open());
    rig.press("cmdNextQuestion");
    auto* answer = rig.find<QWidget>("txt_answer");
    rig.press("cmd_clear_answer_box");
    typeLines(answer, {"first line", "second line"});
    rig.press("cmd_enter_response");

    const std::string block = "RESPONSE -->  \r\nfirst line\r\nsecond line\r\n";
    const std::string master = readFile(rig.home("masterFile_Ann_Lee.txt"));
    const std::string send = readFile(rig.home("send_1207Ann_Lee.txt"));
    QVERIFY2(master.find(kLine3 + "\r\n") != std::string::npos, master.c_str());
    QVERIFY2(master.find(block) != std::string::npos, master.c_str());
    QVERIFY2(send.find(block) != std::string::npos, send.c_str());
    QCOMPARE(rig.question(), std::string());
    QCOMPARE(rig.answer(), std::string());
    QCOMPARE(rig.state.cumulativeText, std::string(drill::texts::kAnswerSeparator) +
                                             "first line\r\nsecond line" +
                                             drill::texts::kQaSeparator + kLine3);
}

void WiringTest::notesAreSavedShownAndLogged() {
    WindowRig rig;
    QVERIFY(rig.open());
    rig.press("cmdNextQuestion");
    rig.setAnswer("my note \xE9");
    rig.press("cmd_save_as_notes");
    const std::string notes = readFile(rig.home("notes_Ann_Lee.txt"));
    QVERIFY2(notes.find("NOTES -------> my note \xE9\r\n") != std::string::npos, notes.c_str());

    rig.press("cmd_display_note_file");
    const std::string shown = rig.question();
    QVERIFY(shown.find("NOTES -------> my note \xE9") != std::string::npos);
    QVERIFY(shown.find("\r\n") == std::string::npos);  // lines arrive run together

    rig.press("cmd_displayCumulativeText");
    const std::string everything = rig.question();
    QCOMPARE(everything, rig.state.cumulativeText);
    QCOMPARE(everything, std::string(drill::texts::kAnswerSeparator) + "NOTES -------> my note \xE9" +
                             drill::texts::kQaSeparator + kLine3);
}

void WiringTest::clearBoxEmptiesOnlyTheAnswerBox() {
    WindowRig rig;
    QVERIFY(rig.open());
    rig.press("cmdNextQuestion");
    rig.press("cmdNextQuestion");
    const std::string question = rig.question();
    rig.press("cmd_clear_answer_box");
    QCOMPARE(rig.answer(), std::string());
    QCOMPARE(rig.question(), question);
    QVERIFY(rig.state.answerPending);
}

void WiringTest::emptyingABoxRepaintsOnlyThatBox() {
    // No caret blinks while the paints are counted.
    QGuiApplication::styleHints()->setCursorFlashTime(0);
    WindowRig rig;
    QVERIFY(rig.open());
    rig.press("cmdNextQuestion");
    rig.setAnswer("The level rises quickly at first,\r\nthen more and more slowly.");
    QApplication::processEvents();
    QApplication::processEvents();
    for (const char* name : {"txt_answer", "txt_question"}) {
        PaintLog log(rig.window);
        drill::CodePageTextEdit* box = rig.box(name);
        box->setCodePageText({});
        QApplication::processEvents();
        QApplication::processEvents();
        QVERIFY2(log.painted.count(box->viewport()) == 1, name);
        log.painted.erase(box->viewport());
        for (QObject* other : log.painted) qWarning() << "also painted:" << other;
        QVERIFY2(log.painted.empty(), name);
        // Emptied again, it shows nothing new.
        box->setCodePageText({});
        QApplication::processEvents();
        QVERIFY(!log.painted.count(box->viewport()));
    }
}

void WiringTest::pendExpEnablesTheTimer() {
    WindowRig rig;
    QVERIFY(rig.open());
    QVERIFY(!rig.timer.enabled());
    rig.press("cmd_pend_exp");
    QVERIFY(rig.timer.enabled());
    QCOMPARE(rig.timer.interval(), 15);
}

void WiringTest::deadControlsChangeNothing_data() {
    QTest::addColumn<QString>("button");
    QTest::newRow("Trigger Timer") << "cmd_timerTrigger";
    QTest::newRow("Make Paragraph (answer)") << "cmd_Make_paragraph";
    QTest::newRow("Make Paragraph (question)") << "cmd_Make_Paragraph_question";
}

void WiringTest::deadControlsChangeNothing() {
    QFETCH(QString, button);
    WindowRig rig;
    QVERIFY(rig.open());
    rig.press("cmdNextQuestion");
    rig.press("cmdNextQuestion");
    const Snapshot before = Snapshot::of(rig);
    rig.press(button);
    rig.press(button);
    QTest::qWait(50);  // a timer started by mistake would have ticked
    QVERIFY(Snapshot::of(rig) == before);
}

void WiringTest::smallBoxesChangeNoCommand() {
    // The same session twice, once with the small boxes typed over: every
    // command gives the same texts and the same files.
    auto session = [](bool typeIntoSmallBoxes) {
        WindowRig rig;
        if (!rig.open()) qFatal("window did not open");
        if (typeIntoSmallBoxes) {
            for (const char* name : {"txt_paragraph_goback", "txt_parameter(0)", "txt_parameter(1)",
                                     "txt_parameter(2)", "txt_parameter(3)"}) {
                auto* box = rig.find<QLineEdit>(name);
                box->selectAll();
                QTest::keyClicks(box, "0");
                if (box->text() != "0") qFatal("typing into %s failed", name);
            }
        }
        rig.press("cmdNextQuestion");
        rig.press("cmdNextQuestion");
        rig.setAnswer("answer");
        rig.press("cmd_enter_response");
        rig.press("cmdNextQuestion");
        return std::make_tuple(rig.question(), rig.state.scriptIndex,
                               readFile(rig.home("masterFile_Ann_Lee.txt")));
    };
    const auto typed = session(true);
    const auto plain = session(false);
    QVERIFY(!std::get<2>(plain).empty());
    QVERIFY(typed == plain);
}

void WiringTest::nextPicture_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<QStringList>("ahead");  // lines at start+1, start+2, ...
    QTest::addColumn<int>("end");
    QTest::addColumn<bool>("ended");

    QTest::newRow("no routine line") << 1 << QStringList{} << 1 << false;
    QTest::newRow("graph2 then a plain line")
        << 1 << QStringList{"`routine graph2", "plain"} << 2 << false;
    QTest::newRow("graph1 twice, line after plain")
        << 10 << QStringList{"`routine graph1", "`routine graph1", "plain"} << 11 << false;
    QTest::newRow("graph1 three times")
        << 10 << QStringList{"`routine graph1", "`routine graph1", "`routine graph1"} << 13 << false;
    QTest::newRow("graph3 only second") << 10 << QStringList{"", "`routine graph3"} << 12 << false;
    QTest::newRow("capitals and a blank in the name")
        << 10 << QStringList{"`ROUTINE Graph 1"} << 11 << false;
    QTest::newRow("exit-prog") << 10 << QStringList{"`routine exit-prog"} << 10 << true;
    QTest::newRow("marker alone") << 10 << QStringList{"`routine"} << 10 << true;
    QTest::newRow("marker and one character") << 10 << QStringList{"`routine "} << 10 << true;
    QTest::newRow("graph4") << 10 << QStringList{"", "`routine graph4"} << 10 << true;
    QTest::newRow("last slot") << 4999 << QStringList{"`routine graph1"} << 5000 << false;
    QTest::newRow("past the last slot") << 5000 << QStringList{} << 5000 << false;
}

void WiringTest::nextPicture() {
    QFETCH(int, start);
    QFETCH(QStringList, ahead);
    QFETCH(int, end);
    QFETCH(bool, ended);

    WindowRig rig;
    QVERIFY(rig.open());
    auto& st = rig.state;
    for (int i = 0; i < ahead.size(); ++i)
        st.scriptLines[static_cast<std::size_t>(start + 1 + i)] = ahead[i].toStdString();
    st.scriptIndex = start;
    const std::string question = rig.question();
    const std::string transcript = st.cumulativeText;

    rig.press("cmd_next_picture");
    QCOMPARE(rig.window.programEnded(), ended);
    QCOMPARE(rig.window.isVisible(), !ended);
    if (!ended) QCOMPARE(st.scriptIndex, static_cast<long>(end));
    // Nothing is shown or logged, and no message appears.
    QCOMPARE(rig.question(), question);
    QCOMPARE(st.cumulativeText, transcript);
    QVERIFY(rig.dialogs.messages.empty());
}

void WiringTest::quitEndsAtOnce() {
    WindowRig rig;
    QVERIFY(rig.open());
    QSignalSpy ended(&rig.window, &drill::MainWindow::ended);
    rig.press("cmd_quit");
    QVERIFY(rig.window.programEnded());
    QVERIFY(!rig.window.isVisible());
    QCOMPARE(ended.count(), 1);
    for (int ch : {1, 2, 3}) QVERIFY(!rig.files->isOpen(ch));
    // No further event is handled.
    rig.window.show();
    rig.press("cmdNextQuestion");
    QCOMPARE(rig.question(), std::string());
    QVERIFY(rig.dialogs.messages.empty());
    QCOMPARE(ended.count(), 1);
}

// A quit asked for from outside (a signal of the session) while a command
// waits on its message box: the box is the last thing, the program ends.
void WiringTest::quitRequestedDuringABoxEndsAfterIt() {
    WindowRig rig;
    QVERIFY(rig.load("Ann Lee", "ALE", "1", "2"));  // no network drive: recordings fail
    rig.window.show();
    rig.press("cmdNextQuestion");
    QSignalSpy ended(&rig.window, &drill::MainWindow::ended);
    rig.dialogs.messages.clear();
    rig.dialogs.whileOpen = [&] { rig.window.requestQuit(); };
    rig.press("cmd_enter_response");
    QCOMPARE(rig.dialogs.messages.size(), std::size_t{1});
    QVERIFY(rig.window.programEnded());
    QCOMPARE(ended.count(), 1);
    rig.window.requestQuit();
    QCOMPARE(ended.count(), 1);
}

void WiringTest::closingTheWindowEnds() {
    WindowRig rig;
    QVERIFY(rig.open());
    rig.press("cmd_pend_exp");
    QSignalSpy ended(&rig.window, &drill::MainWindow::ended);
    QVERIFY(rig.window.close());
    QVERIFY(rig.window.programEnded());
    QCOMPARE(ended.count(), 1);
    QVERIFY(!rig.timer.enabled());
}

void WiringTest::failureShowsMessageBAndGoesOn() {
    // The network directory's drive is absent here: recording fails with 76.
    WindowRig rig;
    QVERIFY(rig.load("Ann Lee", "ALE", "1", "2"));
    rig.window.show();
    rig.dialogs.messages.clear();  // the header could not be written either
    rig.press("cmdNextQuestion");
    rig.setAnswer("kept");
    rig.press("cmd_enter_response");
    QCOMPARE(rig.dialogs.messages,
             std::vector<std::string>{std::string(drill::texts::kMessageB) + "76"});
    QVERIFY(!rig.window.programEnded());
    for (int ch : {1, 2, 3}) QVERIFY(!rig.files->isOpen(ch));
    // The program goes on.
    rig.press("cmdNextQuestion");
    QCOMPARE(rig.question(), kLine3 + kLine5);
}

void WiringTest::endingDuringLoadShowsNoWindow_data() {
    QTest::addColumn<QString>("place");
    QTest::addColumn<QString>("assignment");
    QTest::addColumn<QStringList>("messages");
    const QString a = drill::texts::kMessageA;
    const QString b = drill::texts::kMessageB;
    QTest::newRow("no such assignment") << "1" << "2" << QStringList{a};
    QTest::newRow("place not a number") << "two" << "1" << QStringList{b + "13", a};
    QTest::newRow("place cancelled") << "" << "1" << QStringList{b + "13", a};
    QTest::newRow("assignment overflows") << "1" << "1e999" << QStringList{b + "6", a};
}

void WiringTest::endingDuringLoadShowsNoWindow() {
    QFETCH(QString, place);
    QFETCH(QString, assignment);
    QFETCH(QStringList, messages);
    WindowRig rig;
    QSignalSpy ended(&rig.window, &drill::MainWindow::ended);
    QVERIFY(!rig.load("Ann Lee", "ALE", assignment.toStdString(), place.toStdString()));
    QStringList shown;
    for (const auto& m : rig.dialogs.messages) shown << QString::fromStdString(m);
    QCOMPARE(shown, messages);
    QVERIFY(rig.window.programEnded());
    QVERIFY(!rig.window.isVisible());
    QCOMPARE(ended.count(), 1);
    QVERIFY(!std::filesystem::exists(rig.home("masterFile_Ann_Lee.txt")));
}

QTEST_MAIN(WiringTest)
#include "wiring_test.moc"
