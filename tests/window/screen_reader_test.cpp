// What a screen reader is told as the drill runs, caught as Qt sends it: a
// new question as text inserted into the question box, with the focus left
// where it was, and the experiment display's description as it changes. Runs
// under tests/support/with-accessibility-bus: Qt sends none of this while no
// screen reader could hear it.
#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <algorithm>
#include <initializer_list>
#include <vector>

#include "window/controls.h"
#include "window/qt/code_page_text.h"
#include "window_rig.h"

using drill::testing::WindowRig;

namespace {

struct Told {
    QAccessible::Event type;
    QObject* object;
    int position;
    QString inserted;
};

std::vector<Told> told;

void record(QAccessibleEvent* event) {
    Told t{event->type(), event->object(), -1, {}};
    if (event->type() == QAccessible::TextInserted) {
        const auto* e = static_cast<QAccessibleTextInsertEvent*>(event);
        t.position = e->changePosition();
        t.inserted = e->textInserted();
    } else if (event->type() == QAccessible::TextUpdated) {
        const auto* e = static_cast<QAccessibleTextUpdateEvent*>(event);
        t.position = e->changePosition();
        t.inserted = e->textInserted();
    }
    told.push_back(t);
}

std::vector<Told> toldOf(QObject* object, std::initializer_list<QAccessible::Event> types) {
    std::vector<Told> out;
    for (const Told& t : told)
        if (t.object == object && std::find(types.begin(), types.end(), t.type) != types.end()) out.push_back(t);
    return out;
}

std::vector<Told> textChanges(QObject* box) {
    return toldOf(box, {QAccessible::TextInserted, QAccessible::TextRemoved, QAccessible::TextUpdated});
}

}  // namespace

class ScreenReaderTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void eachNewQuestionIsToldAsInsertedText();
    void experimentDisplayIsToldAsItRuns();
};

void ScreenReaderTest::initTestCase() {
    // The bridge switches accessibility on once it has reached the bus.
    QTRY_VERIFY_WITH_TIMEOUT(QAccessible::isActive(), 60000);
    QAccessible::installUpdateHandler(record);
}

void ScreenReaderTest::cleanupTestCase() { QAccessible::installUpdateHandler(nullptr); }

void ScreenReaderTest::eachNewQuestionIsToldAsInsertedText() {
    WindowRig rig;
    QVERIFY(rig.open());
    rig.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&rig.window));
    auto* question = rig.box("txt_question");
    auto* next = rig.find<QWidget>("cmdNextQuestion");

    // Into the empty box, then after the question already there, then into
    // the box a recording emptied: each time the new line alone.
    for (const char* step : {"first", "second", "recorded", "after the recording"}) {
        const QString before = question->toPlainText();
        told.clear();
        if (QByteArray(step) == "recorded") {
            rig.setAnswer("The level falls.");
            rig.press("cmd_enter_response");
            // An emptied box is not new text.
            QVERIFY2(question->toPlainText().isEmpty(), step);
            for (const Told& t : textChanges(question)) QVERIFY2(t.inserted.isEmpty(), step);
            continue;
        }
        rig.press("cmdNextQuestion");
        const std::vector<Told> changes = textChanges(question);
        QVERIFY2(changes.size() == 1, step);
        QCOMPARE(changes[0].type, QAccessible::TextInserted);
        QCOMPARE(changes[0].position, before.size());
        QCOMPARE(changes[0].inserted, drill::toQt(rig.state.scriptLine));
        QCOMPARE(question->toPlainText(), before + changes[0].inserted);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void ScreenReaderTest::experimentDisplayIsToldAsItRuns() {
    WindowRig rig;
    QVERIFY(rig.open());
    QWidget* panel = rig.find<QWidget>("Picture1");
    const auto changes = [panel] { return toldOf(panel, {QAccessible::DescriptionChanged}).size(); };
    told.clear();
    rig.press("cmd_pend_exp");
    QCOMPARE(changes(), 1u);
    rig.timer.tick(static_cast<int>(drill::kExperimentToldEvery) - 1);
    QCOMPARE(changes(), 1u);
    rig.timer.tick();
    QCOMPARE(changes(), 2u);
    QCOMPARE(QAccessible::queryAccessibleInterface(panel)->text(QAccessible::Description),
             QString("Experiment display, running: 64 circles drawn"));
}

QTEST_MAIN(ScreenReaderTest)
#include "screen_reader_test.moc"
