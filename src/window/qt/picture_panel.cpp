#include "picture_panel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>
#include <QPalette>
#include <cmath>
#include <cstring>

#include "platform/errors.h"
#include "window/desktop_toolkit.h"

namespace drill {

QImage toImage(const Picture& picture) {
    if (picture.width <= 0 || picture.height <= 0) return {};
    QImage image(picture.width, picture.height, QImage::Format_ARGB32);
    const auto rowBytes = static_cast<std::size_t>(picture.width) * sizeof(std::uint32_t);
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(image.scanLine(y),
                    picture.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width), rowBytes);
    return image;
}

Picture toPicture(const QImage& image) {
    Picture picture;
    if (image.isNull()) return picture;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    picture.width = argb.width();
    picture.height = argb.height();
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
    const auto rowBytes = static_cast<std::size_t>(picture.width) * sizeof(std::uint32_t);
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(picture.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width),
                    argb.constScanLine(y), rowBytes);
    return picture;
}

namespace {

// A screen reader takes the panels for pictures, not for empty frames, and
// hears a live description where the panel has one.
class PanelAccessibility : public QAccessibleWidget {
public:
    explicit PanelAccessibility(PicturePanel* panel) : QAccessibleWidget(panel, QAccessible::Graphic) {}

    QString text(QAccessible::Text t) const override {
        const auto* panel = static_cast<const PicturePanel*>(widget());
        if (t == QAccessible::Description && panel->liveDescription()) return panel->liveDescription()();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* panelAccessibility(const QString& className, QObject* object) {
    if (className != QLatin1String(PicturePanel::staticMetaObject.className())) return nullptr;
    auto* panel = qobject_cast<PicturePanel*>(object);
    return panel != nullptr ? new PanelAccessibility(panel) : nullptr;
}

}  // namespace

PicturePanel::PicturePanel(QWidget* parent) : QFrame(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(panelAccessibility);
        return true;
    }();
    (void)factoryInstalled;
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
}

void PicturePanel::setPicture(const std::optional<Picture>& picture) {
    requireWholePicture(picture);
    picture_ = picture;
    pictureImage_ = picture ? toImage(*picture) : QImage();
    update();
}

void PicturePanel::setScale(double height, double width) {
    // A zero extent would put every point at infinity.
    if (height == 0 || width == 0 || !std::isfinite(height) || !std::isfinite(width))
        fail(err::InvalidArgument);
    scaleHeight_ = height;
    scaleWidth_ = width;
}

void PicturePanel::circle(double x, double y, double radius) {
    fitSurface();
    const QRect area = contentsRect();
    // Until a scale is set the units are pixels.
    const double sw = scaleWidth_ != 0 ? scaleWidth_ : area.width();
    const double sh = scaleHeight_ != 0 ? scaleHeight_ : area.height();
    const double cx = x * area.width() / sw;
    const double cy = y * area.height() / sh;
    const double r = std::abs(radius * area.width() / sw);

    QPainter painter(&surface_);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    if (r < 0.5)
        painter.drawPoint(QPointF(cx, cy));
    else
        painter.drawEllipse(QPointF(cx, cy), r, r);
    painter.end();
    ++circles_;
    update(area);
}

void PicturePanel::fitSurface() {
    const QSize size = contentsRect().size();
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size * ratio;
    if (!surface_.isNull() && surface_.size() == pixels) return;
    QImage fresh(pixels, QImage::Format_ARGB32_Premultiplied);
    fresh.setDevicePixelRatio(ratio);
    fresh.fill(Qt::transparent);
    if (!surface_.isNull()) {
        // Keep what was drawn when the panel changes size.
        QPainter painter(&fresh);
        painter.drawImage(QPoint(0, 0), surface_);
    }
    surface_ = fresh;
}

void PicturePanel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    fitSurface();
}

void PicturePanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    const QRect area = contentsRect();
    QPainter painter(this);
    if (hasFocus()) {
        // Over the frame, outside the drawing area.
        painter.setPen(QPen(palette().color(QPalette::Highlight), lineWidth()));
        painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
    painter.setClipRect(area);
    if (!pictureImage_.isNull()) painter.drawImage(area.topLeft(), pictureImage_);
    if (!surface_.isNull()) painter.drawImage(area.topLeft(), surface_);
}

void PicturePanel::focusInEvent(QFocusEvent* event) {
    QFrame::focusInEvent(event);
    update();
}

void PicturePanel::focusOutEvent(QFocusEvent* event) {
    QFrame::focusOutEvent(event);
    update();
}

}  // namespace drill
