#pragma once
// A picture box: a white panel that shows an optional picture as its
// background and keeps what is drawn on it on a surface of its own, so the
// drawings survive repaints and never become part of the picture.
#include <QFrame>
#include <QImage>
#include <QString>
#include <functional>
#include <optional>

#include "platform/toolkit.h"

namespace drill {

QImage toImage(const Picture& picture);
Picture toPicture(const QImage& image);

class PicturePanel : public QFrame {
    Q_OBJECT
public:
    explicit PicturePanel(QWidget* parent = nullptr);

    const std::optional<Picture>& picture() const { return picture_; }
    // Throws RuntimeError(5) for a picture whose pixels do not fill it.
    void setPicture(const std::optional<Picture>& picture);

    // User units across and down the drawing area (the contents rect).
    void setScale(double height, double width);
    double scaleHeight() const { return scaleHeight_; }
    double scaleWidth() const { return scaleWidth_; }

    // Outline of a true circle in the drawing colour; the radius is counted
    // in horizontal units.
    void circle(double x, double y, double radius);

    // The drawing surface, transparent where nothing is drawn.
    const QImage& drawing() const { return surface_; }
    // Circles (and points) drawn on it so far.
    long long circles() const { return circles_; }

    // What a screen reader is told the panel shows, made afresh each time it
    // asks, for a panel whose drawing changes faster than it could be told.
    // Without one, the panel's accessible description stands.
    void setLiveDescription(std::function<QString()> describe) { describe_ = std::move(describe); }
    const std::function<QString()>& liveDescription() const { return describe_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // The panel takes the keyboard focus in the tab order: it shows it.
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void fitSurface();

    std::optional<Picture> picture_;
    QImage pictureImage_;
    QImage surface_;
    double scaleHeight_ = 0;
    double scaleWidth_ = 0;
    long long circles_ = 0;
    std::function<QString()> describe_;
};

}  // namespace drill
