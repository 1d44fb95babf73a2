#include "window/controls.h"

#include <cmath>
#include <stdexcept>

#include "drill/drill.h"
#include "platform/errors.h"

namespace drill {

namespace {

using K = ControlKind;

constexpr ControlSpec kControls[] = {
    {"txt_question", K::MultiLineText, "", 240, 720, 5175, 5255, "Question"},
    {"txt_answer", K::MultiLineText, " ", 5640, 720, 5055, 5255, "Answer"},
    {"cmdNextQuestion", K::Button, "Next Question / Answer", 240, 0, 975, 735},
    {"cmd_enter_response", K::Button, "Enter Response", 5640, 240, 855, 495},
    {"Picture1", K::Picture, "", 240, 6080, 5175, 1375, "Picture 1", "Experiment display, not started"},
    {"Picture2", K::Picture, "", 5640, 6080, 5055, 1375, "Picture 2", "Shows the picture copied from Picture 1"},
    {"cmd_save_as_notes", K::Button, "Save as Notes", 6480, 240, 855, 495},
    {"cmd_Make_paragraph", K::Button, "Make Paragraph", 7320, 240, 975, 495, nullptr,
     "Make Paragraph of the answer box"},
    {"cmd_Make_Paragraph_question", K::Button, "Make Paragraph", 1200, 240, 855, 495, nullptr,
     "Make Paragraph of the question box"},
    {"txt_paragraph_goback", K::Text, "1", 3120, 240, 495, 495, nullptr, nullptr, "lbl_paragraph_goback"},
    {"lbl_paragraph_goback", K::Label, "# sentences previous", 2160, 240, 1095, 495},
    {"cmd_timerTrigger", K::Button, "Trigger Timer", 2400, 7560, 735, 495},
    {"List1", K::List, "", 3120, 7680, 1695, 840, "List"},
    {"lbl_parameter(0)", K::Label, "Parameter 1", 5640, 7680, 900, 195},
    {"txt_parameter(0)", K::Text, "1", 6720, 7680, 300, 285, nullptr, nullptr, "lbl_parameter(0)"},
    {"lbl_parameter(1)", K::Label, "Parameter 2", 5640, 8160, 855, 195},
    {"txt_parameter(1)", K::Text, "1", 6720, 8160, 300, 285, nullptr, nullptr, "lbl_parameter(1)"},
    {"lbl_parameter(2)", K::Label, "Parameter 3", 7200, 7680, 1005, 195},
    {"txt_parameter(2)", K::Text, "1", 8205, 7680, 300, 285, nullptr, nullptr, "lbl_parameter(2)"},
    {"lbl_parameter(3)", K::Label, "Parameter 4", 7200, 8160, 900, 195},
    {"txt_parameter(3)", K::Text, "1", 8205, 8160, 300, 285, nullptr, nullptr, "lbl_parameter(3)"},
    {"cmd_displayCumulativeText", K::Button, "display everything", 3600, 240, 855, 495},
    {"cmd_display_note_file", K::Button, "display notes", 4440, 240, 975, 495},
    {"cmd_quit", K::Button, "quit program", 10200, 0, 735, 495},
    {"cmd_pend_exp", K::Button, "pend exp", 8640, 7560, 495, 375},
    {"cmd_next_picture", K::Button, "next picture", 1200, 7560, 855, 495},
    {"lbl_only_if_prompted", K::Label, "click only if prompted", 240, 7560, 855, 495},
    {"cmd_copy_picture", K::Button, "copy picture", 1200, 8160, 855, 495},
    {"cmd_clear_answer_box", K::Button, "clear box", 8280, 240, 855, 495},
};

// "quit program" ends the program as the end of the script does.
void quit(Drill&) { throw EndProgram{}; }

constexpr CommandWiring kWiring[] = {
    {"cmdNextQuestion", [](Drill& d) { d.nextQuestion(); }},
    {"cmd_enter_response", [](Drill& d) { d.enterResponse(); }},
    {"cmd_save_as_notes", [](Drill& d) { d.saveAsNotes(); }},
    {"cmd_display_note_file", [](Drill& d) { d.displayNotes(); }},
    {"cmd_displayCumulativeText", [](Drill& d) { d.displayEverything(); }},
    {"cmd_clear_answer_box", [](Drill& d) { d.clearBox(); }},
    {"cmd_copy_picture", [](Drill& d) { d.copyPicture(); }},
    {"cmd_next_picture", [](Drill& d) { d.nextPicture(); }},
    {"cmd_pend_exp", [](Drill& d) { d.pendExp(); }},
    {"cmd_quit", quit},
};

}  // namespace

std::span<const ControlSpec> controls() { return kControls; }

const ControlSpec& control(std::string_view name) {
    for (const ControlSpec& c : kControls)
        if (name == c.name) return c;
    throw std::out_of_range("no control " + std::string(name));
}

std::string accessibleNameOf(const ControlSpec& c) {
    if (c.accessibleName != nullptr) return c.accessibleName;
    if (c.labelledBy != nullptr) return control(c.labelledBy).caption;
    return c.caption;
}

int twipsToPixels(int twips, int dpi) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); }

std::span<const CommandWiring> commandWiring() { return kWiring; }

std::string experimentDescription(bool running, long long circles) {
    if (!running) return control("Picture1").description;
    return "Experiment display, running: " + std::to_string(circles) + (circles == 1 ? " circle" : " circles") +
           " drawn";
}

}  // namespace drill
