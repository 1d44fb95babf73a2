#include "qt_toolkit.h"

#include <QClipboard>
#include <QGuiApplication>

#include "picture_panel.h"
#include "platform/errors.h"
#include "text_box.h"

namespace drill {

QtToolkit::QtToolkit(const Controls& controls, Dialogs& dialogs, Beeper& beeper, Timer& timer)
    : DesktopToolkit(dialogs, beeper, timer), controls_(controls) {}

CodePageTextEdit* QtToolkit::box(TextBox box) const {
    return box == TextBox::Question ? controls_.question : controls_.answer;
}

PicturePanel* QtToolkit::panel(Panel panel) const {
    return panel == Panel::Picture1 ? controls_.picture1 : controls_.picture2;
}

std::string QtToolkit::text(TextBox which) { return box(which)->codePageText(); }

void QtToolkit::setText(TextBox which, const std::string& text) { box(which)->setCodePageText(text); }

std::optional<Picture> QtToolkit::picture(Panel which) { return panel(which)->picture(); }

void QtToolkit::setPicture(Panel which, const std::optional<Picture>& picture) {
    panel(which)->setPicture(picture);
}

void QtToolkit::setScale(Panel which, double height, double width) { panel(which)->setScale(height, width); }

void QtToolkit::circle(Panel which, double x, double y, double radius) { panel(which)->circle(x, y, radius); }

void QtToolkit::clipboardPut(const Picture& picture) {
    QGuiApplication::clipboard()->setImage(toImage(picture));
}

std::optional<Picture> QtToolkit::clipboardTake() {
    const QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull()) return std::nullopt;
    return toPicture(image);
}

}  // namespace drill
