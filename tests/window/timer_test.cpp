// The experiment display: "pend exp" starts a 15 ms timer whose every tick
// beeps and draws one circle from one draw of the shared generator, never
// while a command runs or a modal box is open, and never after the end.
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "window/picture_panel.h"
#include "window/qt_toolkit.h"
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

QTimer* timerOf(WindowRig& rig) { return rig.window.findChild<QTimer*>("tmr_pend_exp"); }

}  // namespace

class TimerTest : public QObject {
    Q_OBJECT

private slots:
    void noTickBeforePendExp();
    void eachTickBeepsAndTakesOneDraw();
    void circlesAccumulateAroundTheCentre();
    void zeroDrawIsAPoint();
    void secondPressChangesNothing();
    void quitLeavesNoTickAfterIt();
    void noTickWhileAModalBoxIsOpen_data();
    void noTickWhileAModalBoxIsOpen();
};

void TimerTest::noTickBeforePendExp() {
    WindowRig rig;
    QVERIFY(rig.open());
    const int draws = rig.random.drawCount;
    QTest::qWait(100);
    QCOMPARE(rig.beeps, 0);
    QCOMPARE(rig.random.drawCount, draws);
    QVERIFY(!anyInk(rig.find<drill::PicturePanel>("Picture1")->drawing()));
}

void TimerTest::eachTickBeepsAndTakesOneDraw() {
    WindowRig rig;
    QVERIFY(rig.open());
    const int draws = rig.random.drawCount;
    rig.click("cmd_pend_exp");
    // Pressing starts the timer; the first beep waits for the first tick.
    QCOMPARE(rig.beeps, 0);
    QCOMPARE(rig.random.drawCount, draws);
    QTRY_VERIFY_WITH_TIMEOUT(rig.beeps >= 5, 3000);
    // One event at a time, so beeps and draws are read between two ticks.
    QCOMPARE(rig.random.drawCount - draws, rig.beeps);
}

void TimerTest::circlesAccumulateAroundTheCentre() {
    WindowRig rig;
    QVERIFY(rig.open());
    auto* panel = rig.find<drill::PicturePanel>("Picture1");
    rig.random.draws = {0.1f, 0.2f, 0.05f};  // then 0.05 for every later tick
    rig.click("cmd_pend_exp");
    QTRY_VERIFY_WITH_TIMEOUT(rig.beeps >= 4, 3000);
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
    rig.click("cmd_pend_exp");
    QTRY_VERIFY_WITH_TIMEOUT(rig.beeps >= 1, 3000);
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
    auto* button = rig.find<QPushButton>("cmd_pend_exp");
    button->click();
    const int id = timerOf(rig)->timerId();
    QVERIFY(id > 0);
    // Most of an interval passes without events; a restart would begin a
    // whole new interval.
    QTest::qSleep(12);
    button->click();
    QVERIFY(timerOf(rig)->remainingTime() < 10);
    QCOMPARE(timerOf(rig)->timerId(), id);
    QVERIFY(timerOf(rig)->isActive());
    QCOMPARE(timerOf(rig)->interval(), 15);
}

void TimerTest::quitLeavesNoTickAfterIt() {
    WindowRig rig;
    QVERIFY(rig.open());
    rig.click("cmd_pend_exp");
    QTRY_VERIFY_WITH_TIMEOUT(rig.beeps >= 3, 3000);
    rig.click("cmd_quit");
    const int beeps = rig.beeps;
    const int draws = rig.random.drawCount;
    QTest::qWait(150);
    QCOMPARE(rig.beeps, beeps);
    QCOMPARE(rig.random.drawCount, draws);
    QVERIFY(!timerOf(rig)->isActive());
}

void TimerTest::noTickWhileAModalBoxIsOpen_data() {
    QTest::addColumn<bool>("inputBox");
    QTest::newRow("message box of a failed command") << false;
    QTest::newRow("input box") << true;
}

void TimerTest::noTickWhileAModalBoxIsOpen() {
    QFETCH(bool, inputBox);
    WindowRig rig;
    // A network user on a machine without that drive: recording fails and
    // shows message B in a real modal box.
    QVERIFY(rig.load("Ann Lee", "ALE", "1", "2"));
    rig.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
    rig.toolkit().messages.clear();
    rig.click("cmd_pend_exp");
    QTRY_VERIFY_WITH_TIMEOUT(rig.beeps >= 2, 3000);

    rig.toolkit().scripted = false;
    int beepsWhenOpened = -1;
    int beepsWhenClosed = -1;
    bool sawDialog = false;
    QTimer::singleShot(0, [&] { beepsWhenOpened = rig.beeps; });
    // Long enough for a dozen ticks, had the guard let them through.
    QTimer::singleShot(250, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        sawDialog = dialog != nullptr;
        beepsWhenClosed = rig.beeps;
        if (dialog) dialog->reject();
    });
    if (inputBox)
        QCOMPARE(rig.toolkit().inputBox("Your full name:  ", "Assignment Drill"), std::string());
    else
        rig.click("cmd_enter_response");
    rig.toolkit().scripted = true;

    QVERIFY(sawDialog);
    QVERIFY(beepsWhenOpened >= 2);
    QCOMPARE(beepsWhenClosed, beepsWhenOpened);
    QVERIFY(!rig.toolkit().modalOpen());
    // Ticks go on once the box is closed.
    const int after = rig.beeps;
    QTRY_VERIFY_WITH_TIMEOUT(rig.beeps > after, 3000);
}

QTEST_MAIN(TimerTest)
#include "timer_test.moc"
