#include "win32_toolkit.h"

#include <cstring>

#include "platform/errors.h"
#include "text.h"
#include "text_view.h"
#include "widgets.h"

namespace drill::win32 {

namespace {

// EVENT_OBJECT_LIVEREGIONCHANGED, which older headers do not name.
constexpr DWORD kLiveRegionChanged = 0x8019;

}  // namespace

Win32Toolkit::Win32Toolkit(const Controls& controls, Dialogs& dialogs, Beeper& beeper, Timer& timer)
    : DesktopToolkit(dialogs, beeper, timer), controls_(controls) {}

TextView* Win32Toolkit::box(drill::TextBox which) const {
    return which == drill::TextBox::Question ? controls_.question : controls_.answer;
}

win32::PicturePanel* Win32Toolkit::panel(Panel which) const {
    return which == Panel::Picture1 ? controls_.picture1 : controls_.picture2;
}

std::string Win32Toolkit::text(drill::TextBox which) { return box(which)->text(); }

void Win32Toolkit::setText(drill::TextBox which, const std::string& text) {
    TextView* target = box(which);
    const std::size_t before = target->text().size();
    const bool added = target->setText(text);
    // A new question is read out as a live region's is, or as UI
    // Automation's notification, and the focus stays where it is.
    if (which == drill::TextBox::Question && added) {
        NotifyWinEvent(kLiveRegionChanged, target->hwnd(), OBJID_CLIENT, CHILDID_SELF);
        target->automation().announce(std::string_view(target->text()).substr(before));
    }
}

std::optional<Picture> Win32Toolkit::picture(Panel which) { return panel(which)->picture(); }

void Win32Toolkit::setPicture(Panel which, const std::optional<Picture>& picture) {
    panel(which)->setPicture(picture);
}

void Win32Toolkit::setScale(Panel which, double height, double width) { panel(which)->setScale(height, width); }

void Win32Toolkit::circle(Panel which, double x, double y, double radius) { panel(which)->circle(x, y, radius); }

void Win32Toolkit::clipboardPut(const Picture& picture) {
    const std::string dib = packedDib(picture);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, dib.size());
    if (memory == nullptr) fail(err::OutOfMemory);
    void* target = GlobalLock(memory);
    std::memcpy(target, dib.data(), dib.size());
    GlobalUnlock(memory);
    OpenClipboardScope open(controls_.window);
    EmptyClipboard();
    // The clipboard owns the memory once it took it.
    if (SetClipboardData(CF_DIB, memory) == nullptr) {
        GlobalFree(memory);
        fail(err::OutOfMemory);
    }
}

std::optional<Picture> Win32Toolkit::clipboardTake() {
    OpenClipboardScope open(controls_.window);
    HANDLE data = GetClipboardData(CF_DIB);
    if (data == nullptr) return std::nullopt;
    const void* dib = GlobalLock(data);
    std::optional<Picture> picture = fromPackedDib(dib, GlobalSize(data));
    GlobalUnlock(data);
    return picture;
}

}  // namespace drill::win32
