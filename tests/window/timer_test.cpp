// The experiment display: "pend exp" starts a 15 ms timer whose every tick
// beeps and draws one circle from one draw of the shared generator, never
// while a command runs or a modal box is open, and never after the end.
#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "window/qt/picture_panel.h"
#include "window/qt/qt_desktop.h"
#include "window_rig.h"

using drill::testing::WindowRig;

namespace {

bool inkAt(const QImage& img, int x, int y) {
    const QRgb p = img.pixel(x, y);
    return qAlpha(p) > 0 && qGray(p) < 128;
}

bool anyInk(const QImage& img) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (inkAt(img, x, y)) return true;
    return false;
}

}  // namespace

class TimerTest : public QObject {
    Q_OBJECT

private slots:
    void noTickBeforePendExp();
    void eachTickBeepsAndTakesOneDraw();
    void circlesAccumulateAroundTheCentre();
    void zeroDrawIsAPoint();
    void secondPressChangesNothing();
    void qtTimerIsNotRestartedByASecondEnable();
    void quitLeavesNoTickAfterIt();
    void noTickWhileAModalBoxIsOpen_data();
    void noTickWhileAModalBoxIsOpen();
};

void TimerTest::noTickBeforePendExp() {
    WindowRig rig;
    QVERIFY(rig.open());
    const int draws = rig.random.drawCount;
    rig.timer.tick(10);
    QCOMPARE(rig.beeper.beeps, 0);
    QCOMPARE(rig.random.drawCount, draws);
    QVERIFY(!anyInk(rig.find<drill::PicturePanel>("Picture1")->drawing()));
}

void TimerTest::eachTickBeepsAndTakesOneDraw() {
    WindowRig rig;
    QVERIFY(rig.open());
    QAccessibleInterface* panel = QAccessible::queryAccessibleInterface(rig.find<QWidget>("Picture1"));
    const auto told = [panel] { return panel->text(QAccessible::Description); };
    QCOMPARE(told(), QString("Experiment display, not started"));
    const int draws = rig.random.drawCount;
    rig.press("cmd_pend_exp");
    // Pressing starts the timer; the first beep waits for the first tick.
    QCOMPARE(rig.beeper.beeps, 0);
    QCOMPARE(rig.random.drawCount, draws);
    QCOMPARE(told(), QString("Experiment display, running: 0 circles drawn"));
    rig.timer.tick();
    QCOMPARE(told(), QString("Experiment display, running: 1 circle drawn"));
    rig.timer.tick(4);
    QCOMPARE(rig.beeper.beeps, 5);
    QCOMPARE(rig.random.drawCount - draws, 5);
    QCOMPARE(told(), QString("Experiment display, running: 5 circles drawn"));
}

void TimerTest::circlesAccumulateAroundTheCentre() {
    WindowRig rig;
    QVERIFY(rig.open());
    auto* panel = rig.find<drill::PicturePanel>("Picture1");
    rig.random.draws = {0.1f, 0.2f, 0.05f};  // then 0.05 for every later tick
    rig.press("cmd_pend_exp");
    rig.timer.tick(4);
    const QImage& img = panel->drawing();
    const double cw = panel->contentsRect().width(), ch = panel->contentsRect().height();
    const int cx = qRound(500 * cw / 1000), cy = qRound(500 * ch / 1000);
    for (double r : {0.1, 0.2, 0.05}) {
        const int x = qRound(500 * cw / 1000 + r * 500 * cw / 1000);
        QVERIFY2(inkAt(img, x, cy) || inkAt(img, x - 1, cy) || inkAt(img, x + 1, cy),
                 qPrintable(QString("radius %1").arg(r)));
    }
    QVERIFY(!inkAt(img, cx, cy));
}

void TimerTest::zeroDrawIsAPoint() {
    WindowRig rig;
    QVERIFY(rig.open());
    auto* panel = rig.find<drill::PicturePanel>("Picture1");
    rig.random.draws = {0.0f};
    rig.press("cmd_pend_exp");
    rig.timer.tick();
    const QImage& img = panel->drawing();
    const int cx = static_cast<int>(500.0 * panel->contentsRect().width() / 1000);
    const int cy = static_cast<int>(500.0 * panel->contentsRect().height() / 1000);
    bool near = false;
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy) near = near || inkAt(img, cx + dx, cy + dy);
    QVERIFY(near);
    QVERIFY(!inkAt(img, cx + 5, cy));
}

void TimerTest::secondPressChangesNothing() {
    WindowRig rig;
    QVERIFY(rig.open());
    rig.press("cmd_pend_exp");
    rig.press("cmd_pend_exp");
    QVERIFY(rig.timer.enabled());
    QCOMPARE(rig.timer.starts, 1);
    QCOMPARE(rig.timer.interval(), 15);
}

void TimerTest::qtTimerIsNotRestartedByASecondEnable() {
    drill::QtTimer timer;
    int ticks = 0;
    timer.setTickHandler([&] { ++ticks; });
    timer.setInterval(15);
    timer.setEnabled(true);
    const int id = timer.qtTimer().timerId();
    QVERIFY(id > 0);
    QCOMPARE(timer.qtTimer().timerType(), Qt::PreciseTimer);
    // Most of an interval passes without events; a restart would begin a
    // whole new interval.
    QTest::qSleep(12);
    timer.setEnabled(true);
    QVERIFY(timer.qtTimer().remainingTime() < 10);
    QCOMPARE(timer.qtTimer().timerId(), id);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 3000);
    timer.setEnabled(false);
    QVERIFY(!timer.enabled());
}

void TimerTest::quitLeavesNoTickAfterIt() {
    WindowRig rig;
    QVERIFY(rig.open());
    rig.press("cmd_pend_exp");
    rig.timer.tick(3);
    rig.press("cmd_quit");
    const int beeps = rig.beeper.beeps;
    const int draws = rig.random.drawCount;
    QVERIFY(!rig.timer.enabled());
    // Even a tick that was already on its way does nothing.
    rig.timer.setEnabled(true);
    rig.timer.tick(3);
    QCOMPARE(rig.beeper.beeps, beeps);
    QCOMPARE(rig.random.drawCount, draws);
}

void TimerTest::noTickWhileAModalBoxIsOpen_data() {
    QTest::addColumn<bool>("inputBox");
    QTest::newRow("message box of a failed command") << false;
    QTest::newRow("input box at start-up") << true;
}

void TimerTest::noTickWhileAModalBoxIsOpen() {
    QFETCH(bool, inputBox);
    WindowRig rig;
    // Ticks delivered inside a box's own loop, as Qt delivers them.
    int beepsInBoxes = 0;
    int boxes = 0;
    rig.dialogs.whileOpen = [&] {
        ++boxes;
        const int before = rig.beeper.beeps;
        rig.timer.tick(12);
        beepsInBoxes += rig.beeper.beeps - before;
    };
    if (inputBox) {
        rig.timer.setEnabled(true);  // as if it ran already
        QVERIFY(rig.load());
    } else {
        // A network user on a machine without that drive: recording fails
        // and shows message B.
        QVERIFY(rig.load("Ann Lee", "ALE", "1", "2"));
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        rig.press("cmd_pend_exp");
        rig.timer.tick(2);
        QCOMPARE(rig.beeper.beeps, 2);
        rig.press("cmd_enter_response");
    }
    QVERIFY(boxes >= (inputBox ? 4 : 1));
    QCOMPARE(beepsInBoxes, 0);
    // Ticks go on once the box is closed.
    const int after = rig.beeper.beeps;
    rig.timer.tick();
    QCOMPARE(rig.beeper.beeps, after + 1);
}

QTEST_MAIN(TimerTest)
#include "timer_test.moc"
