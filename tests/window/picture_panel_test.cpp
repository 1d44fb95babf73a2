// The picture panels: scale, true circles on a surface of their own that
// outlives repaints, pictures, and copying a picture through the clipboard.
#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <cmath>

#include "platform/errors.h"
#include "window/qt/picture_panel.h"
#include "window_rig.h"

using drill::Panel;
using drill::Picture;
using drill::PicturePanel;
using drill::testing::WindowRig;

namespace {

bool inkAt(const QImage& img, int x, int y) {
    if (!img.rect().contains(x, y)) return false;
    const QRgb p = img.pixel(x, y);
    return qAlpha(p) > 0 && qGray(p) < 128;
}

// Ink within one pixel of (x, y): the outline is rasterised to whole pixels.
bool inkNear(const QImage& img, double x, double y) {
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
            if (inkAt(img, static_cast<int>(std::lround(x)) + dx, static_cast<int>(std::lround(y)) + dy))
                return true;
    return false;
}

bool anyInk(const QImage& img) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (inkAt(img, x, y)) return true;
    return false;
}

Picture checkerboard(int w, int h) {
    Picture p{w, h, {}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.pixels.push_back((x + y) % 2 ? 0xFFFF0000u : 0xFF0000FFu);
    return p;
}

// A panel of Picture1's size at 96 DPI, with the scale start-up gives it.
struct Panel1 {
    PicturePanel panel;
    Panel1() {
        panel.setGeometry(0, 0, 345, 92);
        panel.setScale(1000, 1000);
    }
    double cw() const { return panel.contentsRect().width(); }
    double ch() const { return panel.contentsRect().height(); }
};

int runErrorNumber(const std::function<void()>& f) {
    try {
        f();
    } catch (const drill::RuntimeError& e) {
        return e.number();
    }
    return 0;
}

}  // namespace

class PicturePanelTest : public QObject {
    Q_OBJECT

private slots:
    void circle_data();
    void circle();
    void circleUsesTheScale();
    void drawingsAreNotThePicture();
    void drawingSurvivesRepaint();
    void pictureShowsUnderTheDrawing();
    void badPictureOrScaleFails();
    void pictureImageRoundTrip_data();
    void pictureImageRoundTrip();
    void copyWithAPicture();
    void copyWithoutAPictureChangesNothing();
};

void PicturePanelTest::circle_data() {
    QTest::addColumn<double>("radius");
    QTest::newRow("small") << 50.0;
    QTest::newRow("just inside the height") << 120.0;
    QTest::newRow("cut at top and bottom") << 300.0;
    QTest::newRow("largest") << 499.0;
}

void PicturePanelTest::circle() {
    QFETCH(double, radius);
    Panel1 p;
    p.panel.circle(500, 500, radius);
    const QImage& img = p.panel.drawing();
    QCOMPARE(img.size(), p.panel.contentsRect().size());
    const double cx = 500 * p.cw() / 1000, cy = 500 * p.ch() / 1000;
    const double pr = radius * p.cw() / 1000;  // horizontal units, on both axes

    QVERIFY(inkNear(img, cx - pr, cy));
    QVERIFY(inkNear(img, cx + pr, cy));
    QVERIFY(!inkNear(img, cx, cy));
    if (pr + 1 < cy) {
        // A true circle: as tall as it is wide on the screen.
        QVERIFY(inkNear(img, cx, cy - pr));
        QVERIFY(inkNear(img, cx, cy + pr));
        QVERIFY(!inkNear(img, cx, cy - pr * 0.8));
    } else {
        // Cut by the top and bottom edges: the column through the centre
        // holds no ink, the top row does.
        for (int y = 0; y < img.height(); ++y) QVERIFY(!inkAt(img, static_cast<int>(cx), y));
        const double half = std::sqrt(pr * pr - cy * cy);
        QVERIFY(inkNear(img, cx + half, 0) || inkNear(img, cx + half, 1));
    }
}

void PicturePanelTest::circleUsesTheScale() {
    PicturePanel panel;
    panel.setGeometry(0, 0, 204, 104);  // 200 by 100 inside the frame
    QCOMPARE(panel.contentsRect().size(), QSize(200, 100));
    panel.setScale(10, 40);  // height 10, width 40
    panel.circle(20, 5, 4);  // centre (100, 50), radius 4 of 40 across = 20 px
    QVERIFY(inkNear(panel.drawing(), 120, 50));
    QVERIFY(inkNear(panel.drawing(), 100, 30));
    QVERIFY(!inkNear(panel.drawing(), 100, 10));  // not stretched to the height
}

void PicturePanelTest::drawingsAreNotThePicture() {
    Panel1 p;
    p.panel.circle(500, 500, 100);
    QVERIFY(!p.panel.picture().has_value());
    const Picture pic = checkerboard(4, 3);
    p.panel.setPicture(pic);
    p.panel.circle(500, 500, 200);
    QCOMPARE(p.panel.picture(), std::optional<Picture>(pic));
    p.panel.setPicture(std::nullopt);
    QVERIFY(inkNear(p.panel.drawing(), 500 * p.cw() / 1000 + 100 * p.cw() / 1000, 500 * p.ch() / 1000));
}

void PicturePanelTest::drawingSurvivesRepaint() {
    Panel1 p;
    p.panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p.panel));
    p.panel.circle(500, 500, 100);
    const QPoint origin = p.panel.contentsRect().topLeft();
    const double x = origin.x() + 500 * p.cw() / 1000 + 100 * p.cw() / 1000;
    const double y = origin.y() + 500 * p.ch() / 1000;
    QVERIFY(inkNear(p.panel.grab().toImage(), x, y));
    // Covered and uncovered: repainted from the surface, not lost.
    p.panel.hide();
    p.panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p.panel));
    p.panel.repaint();
    QVERIFY(inkNear(p.panel.grab().toImage(), x, y));
}

void PicturePanelTest::pictureShowsUnderTheDrawing() {
    Panel1 p;
    p.panel.setPicture(checkerboard(20, 20));
    p.panel.circle(0, 0, 10);  // a small circle at the top-left corner
    const QImage shot = p.panel.grab().toImage();
    const QPoint o = p.panel.contentsRect().topLeft();
    QCOMPARE(shot.pixel(o + QPoint(10, 11)), 0xFFFF0000u);
    QCOMPARE(shot.pixel(o + QPoint(10, 10)), 0xFF0000FFu);
    QVERIFY(inkNear(shot, o.x() + 10 * p.cw() / 1000, o.y()));
    // Beyond the picture the panel is white.
    QCOMPARE(shot.pixel(o + QPoint(100, 50)), 0xFFFFFFFFu);
}

void PicturePanelTest::badPictureOrScaleFails() {
    PicturePanel panel;
    QCOMPARE(runErrorNumber([&] { panel.setPicture(Picture{2, 2, {1, 2, 3}}); }), 5);
    QCOMPARE(runErrorNumber([&] { panel.setPicture(Picture{-1, 2, {}}); }), 5);
    QVERIFY(!panel.picture().has_value());
    QCOMPARE(runErrorNumber([&] { panel.setScale(0, 1000); }), 5);
    QCOMPARE(runErrorNumber([&] { panel.setScale(1000, 0); }), 5);
    QCOMPARE(runErrorNumber([&] { panel.setScale(1000, 1000); }), 0);
}

void PicturePanelTest::pictureImageRoundTrip_data() {
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<QList<uint>>("pixels");
    QTest::newRow("one pixel") << 1 << 1 << QList<uint>{0xFF123456u};
    QTest::newRow("row") << 3 << 1 << QList<uint>{0xFF000000u, 0xFFFFFFFFu, 0x80FF0000u};
    QTest::newRow("column") << 1 << 3 << QList<uint>{0xFF010203u, 0x00000000u, 0xFFABCDEFu};
    QTest::newRow("odd width") << 3 << 2
                               << QList<uint>{1u | 0xFF000000u, 2u | 0xFF000000u, 3u | 0xFF000000u,
                                              4u | 0xFF000000u, 5u | 0xFF000000u, 6u | 0xFF000000u};
}

void PicturePanelTest::pictureImageRoundTrip() {
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(QList<uint>, pixels);
    Picture pic{w, h, {pixels.begin(), pixels.end()}};
    const QImage img = drill::toImage(pic);
    QCOMPARE(img.size(), QSize(w, h));
    QCOMPARE(img.pixel(w - 1, h - 1), pixels.last());
    QCOMPARE(drill::toPicture(img), pic);
}

void PicturePanelTest::copyWithAPicture() {
    WindowRig rig;
    QVERIFY(rig.open());
    const Picture pic = checkerboard(6, 5);
    rig.find<PicturePanel>("Picture1")->setPicture(pic);
    rig.find<PicturePanel>("Picture1")->circle(500, 500, 100);
    rig.press("cmd_copy_picture");
    QCOMPARE(rig.find<PicturePanel>("Picture2")->picture(), std::optional<Picture>(pic));
    QCOMPARE(rig.find<PicturePanel>("Picture1")->picture(), std::optional<Picture>(pic));
    QCOMPARE(drill::toPicture(QApplication::clipboard()->image()), pic);
    // The circles belong to Picture1's surface and stay there.
    QVERIFY(!anyInk(rig.find<PicturePanel>("Picture2")->drawing()));
    QVERIFY(rig.dialogs.messages.empty());
}

void PicturePanelTest::copyWithoutAPictureChangesNothing() {
    WindowRig rig;
    QVERIFY(rig.open());
    const Picture onClipboard = checkerboard(3, 3);
    const Picture onPicture2 = checkerboard(2, 7);
    QApplication::clipboard()->setImage(drill::toImage(onClipboard));
    rig.find<PicturePanel>("Picture2")->setPicture(onPicture2);
    rig.press("cmd_copy_picture");
    QCOMPARE(drill::toPicture(QApplication::clipboard()->image()), onClipboard);
    QCOMPARE(rig.find<PicturePanel>("Picture2")->picture(), std::optional<Picture>(onPicture2));
    QVERIFY(rig.dialogs.messages.empty());
    QVERIFY(!rig.window.programEnded());
}

QTEST_MAIN(PicturePanelTest)
#include "picture_panel_test.moc"
