#pragma once
// The one window, cmd_pend_exp, as every front end builds it: its controls
// in tab order with their kinds, captions, places in twips, and what a
// screen reader says of them; its fonts and timer; and which control starts
// which command. No toolkit is named here.
#include <span>
#include <string>
#include <string_view>

namespace drill {

class Drill;

inline constexpr const char* kWindowName = "cmd_pend_exp";
inline constexpr const char* kWindowCaption = "Form1";
inline constexpr int kClientWidthTwips = 10875;
inline constexpr int kClientHeightTwips = 8595;
inline constexpr int kTimerIntervalMs = 15;

struct FontSpec {
    const char* family;
    double points;
};
// The two large boxes.
inline constexpr FontSpec kBoxFont{"Arial", 9.75};
// Every other control: small enough that each caption fits its control at
// 96 DPI ("pend exp" on two lines in 25 pixels, "Parameter 2" on one in 57).
inline constexpr FontSpec kDefaultFont{"Arial", 7};

enum class ControlKind { MultiLineText, Text, Button, Picture, Label, List };

struct ControlSpec {
    const char* name;
    ControlKind kind;
    const char* caption;  // caption or initial text
    int left, top, width, height;  // twips
    // What a screen reader says: the name where the control shows no caption
    // of its own (a small box takes its label's caption), and a description
    // where the caption alone does not tell.
    const char* accessibleName = nullptr;
    const char* description = nullptr;
    const char* labelledBy = nullptr;  // the label that names a small box
};

// In tab order; labels take no focus and are skipped by Tab.
std::span<const ControlSpec> controls();
// The control of that name; throws std::out_of_range when there is none.
const ControlSpec& control(std::string_view name);
// What a screen reader is told a control is called.
std::string accessibleNameOf(const ControlSpec& control);

int twipsToPixels(int twips, int dpi);

// Which control starts which command: each press of the control runs it.
struct CommandWiring {
    const char* control;
    void (*run)(Drill& drill);
};
std::span<const CommandWiring> commandWiring();

// What the left panel tells a screen reader of the experiment display.
std::string experimentDescription(bool running, long long circles);
// A screen reader is told that this description changed when the experiment
// starts and then once every so many circles, about once a second at the
// timer's interval: told at every tick it would say nothing else. Asked, the
// panel always gives the count as it is.
inline constexpr long long kExperimentToldEvery = 64;

// Whether the experiment display has news to tell, as the window sees it
// after each event; true at most once for each.
class ExperimentNews {
public:
    bool due(bool running, long long circles) {
        if (running == running_ && circles - circles_ < kExperimentToldEvery) return false;
        running_ = running;
        circles_ = circles;
        return true;
    }

private:
    bool running_ = false;
    long long circles_ = 0;
};

}  // namespace drill
