// The Windows window, in-process under Wine: created hidden from the shared
// control table and driven through messages (BM_CLICK, WM_SETTEXT, WM_CHAR,
// WM_PASTE), as a student's mouse and keyboard would drive it.
#include <gtest/gtest.h>

#include <oleacc.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "drill/form_state.h"
#include "drill/texts.h"
#include "editing_cases.h"
#include "faults.h"
#include "e2e/one_session.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "window/controls.h"
#include "window/win32/desktop.h"
#include "window/win32/main_window.h"
#include "window/win32/automation_api.h"
#include "window/win32/system_library.h"
#include "window/win32/text.h"
#include "window/win32/text_view.h"
#include "window/win32/widgets.h"
#include "window_fakes.h"

namespace drill::win32 {
namespace {

using testing::ScriptedDialogs;

std::wstring wideOf(const std::string& codePage) {
    const std::u16string u = cp1252::toUtf16(codePage);
    return {u.begin(), u.end()};
}

std::string textOf(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    std::wstring w(static_cast<std::size_t>(n) + 1, L'\0');
    w.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, w.data(), n + 1)));
    return cp1252::fromUtf16(std::u16string(w.begin(), w.end()));
}

// The whole window on a temporary drive, with a fixed clock, a scripted
// generator, scripted dialogs, a counted beep and a timer ticked by hand.
struct Win32Rig {
    testing::TempDrive drive;
    testing::FakeClock clock;
    testing::ScriptedRandom random;
    testing::LimitedDisk disk;
    std::unique_ptr<Files> files = makeDiskFiles(disk.fileSystem());
    ScriptedDialogs dialogs;
    testing::CountingBeeper beeper;
    testing::ManualTimer timer;
    FormState state;
    MainWindow window{WindowServices{*files, clock, random, dialogs, beeper, timer, state}};

    bool load(const std::string& name = "Ann Lee", const std::string& initials = "ALE") {
        dialogs.answers = {"1", name, initials, "1"};
        return window.load();
    }
    HWND hwnd(std::string_view name) const { return window.find(name)->hwnd(); }
    void press(const char* name) { SendMessageW(hwnd(name), BM_CLICK, 0, 0); }
    std::string text(const char* name) const { return textOf(hwnd(name)); }
    void setText(const char* name, const std::string& codePage) {
        SendMessageW(hwnd(name), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wideOf(codePage).c_str()));
    }
    RECT placeOf(const char* name) const {
        RECT r{};
        GetWindowRect(hwnd(name), &r);
        MapWindowPoints(HWND_DESKTOP, window.hwnd(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
};

std::string classOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return cp1252::fromUtf16(std::u16string(name, name + wcslen(name)));
}

const char* expectedClass(ControlKind kind) {
    switch (kind) {
    case ControlKind::MultiLineText: return "AssignmentDrillText";
    case ControlKind::Text: return "Edit";
    case ControlKind::Button: return "Button";
    case ControlKind::Picture: return "AssignmentDrillPicture";
    case ControlKind::Label: return "Static";
    case ControlKind::List: return "ListBox";
    }
    return "";
}

// Every control of the table at its place and size, with its kind and its
// caption or initial text, at 96 DPI and as laid out again at 120, 144
// and 192; the window's client area with them.
TEST(Win32Window, EveryControlOfTheTableAtItsPlaceAtEveryDpi) {
    Win32Rig rig;
    for (const int dpi : {96, 120, 144, 192}) {
        rig.window.layOut(dpi);
        RECT client{};
        GetClientRect(rig.window.hwnd(), &client);
        EXPECT_EQ(client.right, twipsToPixels(kClientWidthTwips, dpi)) << dpi;
        EXPECT_EQ(client.bottom, twipsToPixels(kClientHeightTwips, dpi)) << dpi;
        for (const ControlSpec& c : controls()) {
            const RECT r = rig.placeOf(c.name);
            EXPECT_EQ(r.left, twipsToPixels(c.left, dpi)) << c.name << " at " << dpi;
            EXPECT_EQ(r.top, twipsToPixels(c.top, dpi)) << c.name << " at " << dpi;
            EXPECT_EQ(r.right - r.left, twipsToPixels(c.width, dpi)) << c.name << " at " << dpi;
            EXPECT_EQ(r.bottom - r.top, twipsToPixels(c.height, dpi)) << c.name << " at " << dpi;
        }
    }
    for (const ControlSpec& c : controls()) {
        EXPECT_STRCASEEQ(classOf(rig.hwnd(c.name)).c_str(), expectedClass(c.kind)) << c.name;
        if (c.kind != ControlKind::Picture && c.kind != ControlKind::List) {
            EXPECT_EQ(rig.text(c.name), c.caption) << c.name;
        }
    }
    EXPECT_EQ(textOf(rig.window.hwnd()), kWindowCaption);
    EXPECT_EQ(rig.timer.interval(), kTimerIntervalMs);
    EXPECT_FALSE(rig.timer.enabled());
}

// Tab walks the controls in the table's order, labels left out.
TEST(Win32Window, TabOrderIsTheTablesOrder) {
    Win32Rig rig;
    std::vector<std::string> expected, walked;
    for (const ControlSpec& c : controls())
        if (c.kind != ControlKind::Label) expected.push_back(c.name);
    HWND at = rig.hwnd(expected.front());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        for (const ControlSpec& c : controls())
            if (rig.hwnd(c.name) == at) walked.push_back(c.name);
        at = GetNextDlgTabItem(rig.window.hwnd(), at, FALSE);
    }
    EXPECT_EQ(walked, expected);
}

// Every caption fits its control in the window's default font, at every
// DPI: a button's within the area it is drawn in, a label's within the label.
TEST(Win32Window, CaptionsFitTheirControls) {
    Win32Rig rig;
    for (const int dpi : {96, 120, 144, 192}) {
        rig.window.layOut(dpi);
        HDC dc = GetDC(rig.window.hwnd());
        SelectObject(dc, rig.window.font(false));
        for (const ControlSpec& c : controls()) {
            if (c.kind != ControlKind::Button && c.kind != ControlKind::Label) continue;
            RECT place{0, 0, twipsToPixels(c.width, dpi), twipsToPixels(c.height, dpi)};
            // The parts of the window that the table puts outside it.
            if (std::string(c.name) == "cmd_quit" || std::string(c.name) == "cmd_copy_picture") continue;
            const RECT area = c.kind == ControlKind::Button ? Button::captionArea(place) : place;
            const std::wstring caption = wideOf(c.caption);
            // A word wider than the area widens what DrawText needs.
            RECT need = area;
            DrawTextW(dc, caption.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
            EXPECT_LE(need.right - need.left, area.right - area.left) << c.name << " at " << dpi;
            EXPECT_LE(need.bottom - need.top, area.bottom - area.top) << c.name << " at " << dpi;
        }
        ReleaseDC(rig.window.hwnd(), dc);
    }
}

// Dead buttons do nothing; the rest start their commands (shown through
// what they do to the boxes, the files and the timer).
TEST(Win32Window, ButtonsStartTheirCommandsAndDeadOnesNothing) {
    Win32Rig rig;
    ASSERT_TRUE(rig.load());
    const auto master = rig.drive.path("tarnholm/masterFile_Ann_Lee.txt");
    const std::string before = testing::readFile(master);
    for (const char* dead : {"cmd_timerTrigger", "cmd_Make_paragraph", "cmd_Make_Paragraph_question"}) {
        rig.press(dead);
        EXPECT_EQ(rig.text("txt_question"), "") << dead;
        EXPECT_EQ(rig.text("txt_answer"), " ") << dead;
        EXPECT_FALSE(rig.timer.enabled()) << dead;
    }
    EXPECT_EQ(testing::readFile(master), before);
    rig.press("cmdNextQuestion");
    EXPECT_EQ(rig.text("txt_question"), e2e::block::kLine3);
    rig.press("cmd_clear_answer_box");
    EXPECT_EQ(rig.text("txt_answer"), "");
    rig.press("cmd_pend_exp");
    rig.press("cmd_pend_exp");
    EXPECT_EQ(rig.timer.starts, 1);
    rig.timer.tick(3);
    EXPECT_EQ(rig.beeper.beeps, 3);
    rig.press("cmd_quit");
    EXPECT_TRUE(rig.window.programEnded());
    EXPECT_FALSE(rig.timer.enabled());
    rig.timer.tick();
    EXPECT_EQ(rig.beeper.beeps, 3);
}

// A student who clicks a button twice to be sure gets two presses, as from
// a standard push button. Two clicks 150 ms apart, as the system gives them
// to a button: the second as a double-click.
TEST(Win32Window, EveryClickOfADoubleClickIsAPress) {
    Win32Rig rig;
    for (const CommandWiring& wiring : commandWiring()) {
        int presses = 0;
        rig.window.find(wiring.control)->onEvent = [&] { ++presses; };
        for (const UINT click : {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}) {
            if (click == WM_LBUTTONDBLCLK) Sleep(150);
            SendMessageW(rig.hwnd(wiring.control), click, MK_LBUTTON, MAKELPARAM(5, 5));
            SendMessageW(rig.hwnd(wiring.control), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        }
        EXPECT_EQ(presses, 2) << wiring.control;
    }
}

// The whole session, through the window's messages: the files hold byte for
// byte what the record formats say, and the boxes show what the Linux
// program shows.
TEST(Win32Window, AWholeSessionRecordsWhatTheLinuxProgramRecords) {
    namespace s = e2e::one_session;
    Win32Rig rig;
    ASSERT_TRUE(rig.load(s::kName, s::kInitials));
    rig.press("cmdNextQuestion");
    rig.setText("txt_answer", s::kAnswer);
    rig.press("cmd_enter_response");
    EXPECT_EQ(rig.text("txt_answer"), "");
    rig.press("cmdNextQuestion");
    rig.setText("txt_answer", s::kNote);
    rig.press("cmd_save_as_notes");
    rig.press("cmd_display_note_file");
    e2e::Fields fields;
    const std::string notes = rig.text("txt_question");
    EXPECT_EQ(e2e::expectedBytes(s::shownNotes(), notes, 0, fields), notes);
    rig.press("cmd_displayCumulativeText");
    const std::string transcript = rig.text("txt_question");
    EXPECT_EQ(e2e::expectedBytes(s::shownTranscript(), transcript, 0, fields), transcript);
    rig.press("cmd_quit");
    EXPECT_TRUE(rig.window.programEnded());
    EXPECT_TRUE(rig.dialogs.messages.empty());
    s::expectFiles(rig.drive.path("tarnholm"), {});
}

// What is typed or pasted into a box is what will be recorded: a character
// the code page lacks is one '?', a pasted line break ends a one-line box's
// text and is one CR LF in a box of many lines.
TEST(Win32Window, BoxesHoldOnlyTheCodePage) {
    Win32Rig rig;
    const auto typeInto = [&](const char* box, const std::u16string& keys) {
        SendMessageW(rig.hwnd(box), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        for (const char16_t k : keys) SendMessageW(rig.hwnd(box), WM_CHAR, k, 0);
    };
    const auto pasteInto = [&](const char* box, const std::wstring& text) {
        ASSERT_TRUE(OpenClipboard(rig.window.hwnd()));
        EmptyClipboard();
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
        wcscpy(static_cast<wchar_t*>(GlobalLock(memory)), text.c_str());
        GlobalUnlock(memory);
        SetClipboardData(CF_UNICODETEXT, memory);
        CloseClipboard();
        SendMessageW(rig.hwnd(box), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"ab"));
        SendMessageW(rig.hwnd(box), EM_SETSEL, 1, 1);
        SendMessageW(rig.hwnd(box), WM_PASTE, 0, 0);
    };
    typeInto("txt_answer", u"Zo\u00EB \u03A9 \U0001F600 \u20AC");
    EXPECT_EQ(rig.text("txt_answer"), "Zo\xEB ? ? \x80");
    typeInto("txt_parameter(0)", u"\u4E2D1");
    EXPECT_EQ(rig.text("txt_parameter(0)"), "?1");
    pasteInto("txt_answer", L"one\r\ntwo\rthree\nfour \u03A9");
    EXPECT_EQ(rig.text("txt_answer"), "aone\r\ntwo\r\nthree\r\nfour ?b");
    pasteInto("txt_paragraph_goback", L"12\r\n34");
    EXPECT_EQ(rig.text("txt_paragraph_goback"), "a12b");
    // The drill reads a box as it is, however it was changed.
    ASSERT_TRUE(rig.load());
    rig.setText("txt_question", "changed from outside ");
    rig.press("cmdNextQuestion");
    EXPECT_EQ(rig.text("txt_question"), "changed from outside " + e2e::block::kLine3);
}

// The table of what the big boxes do, through the answer box's messages as
// a student's keys and mouse send them: the edit control's way.
void runStep(HWND box, TextView& view, const drill::testing::Step& step) {
    using drill::testing::Spot;
    using drill::testing::Step;
    using editing::Erase;
    using editing::Move;
    const auto keyDown = [&](WPARAM vk, bool ctrl) {
        BYTE state[256] = {};
        state[VK_CONTROL] = ctrl ? 0x80 : 0;
        state[VK_SHIFT] = step.extend ? 0x80 : 0;
        SetKeyboardState(state);
        SendMessageW(box, WM_KEYDOWN, vk, 0);
        std::fill(std::begin(state), std::end(state), BYTE{0});
        SetKeyboardState(state);
    };
    const auto chars = [&](WPARAM c) { SendMessageW(box, WM_CHAR, c, 0); };
    RECT client{};
    GetClientRect(box, &client);
    const auto point = [&](const Spot& spot) {
        const LRESULT here = SendMessageW(box, EM_POSFROMCHAR, spot.at, 0);
        const LRESULT next = SendMessageW(box, EM_POSFROMCHAR, spot.at + 1, 0);
        const int x = static_cast<short>(LOWORD(here)), y = static_cast<short>(HIWORD(here)) + 5;
        const int width = next != -1 && HIWORD(next) == HIWORD(here) ? static_cast<short>(LOWORD(next)) - x : 6;
        const int inside = x + (spot.rightHalf ? 3 * width / 4 : width / 4);
        if (spot.kind == Spot::PastLineEnd) return MAKELPARAM(client.right - 5, y);
        if (spot.kind == Spot::BelowText) return MAKELPARAM(inside, client.bottom - 3);
        return MAKELPARAM(inside, y);
    };
    switch (step.kind) {
    case Step::Move: {
        static const std::map<Move, std::pair<WPARAM, bool>> keys = {
            {Move::NextChar, {VK_RIGHT, false}}, {Move::PreviousChar, {VK_LEFT, false}},
            {Move::NextWord, {VK_RIGHT, true}}, {Move::PreviousWord, {VK_LEFT, true}}, {Move::Down, {VK_DOWN, false}},
            {Move::Up, {VK_UP, false}}, {Move::LineStart, {VK_HOME, false}}, {Move::LineEnd, {VK_END, false}},
            {Move::Start, {VK_HOME, true}}, {Move::End, {VK_END, true}}, {Move::PageDown, {VK_NEXT, false}},
            {Move::PageUp, {VK_PRIOR, false}}};
        keyDown(keys.at(step.move).first, keys.at(step.move).second);
        break;
    }
    case Step::Erase:
        if (step.erase == Erase::PreviousChar) chars(8);
        if (step.erase == Erase::PreviousWord) chars(0x7F);
        if (step.erase == Erase::NextChar) keyDown(VK_DELETE, false);
        if (step.erase == Erase::NextWord) keyDown(VK_DELETE, true);
        break;
    case Step::Type:
        for (const char c : step.text) chars(static_cast<unsigned char>(c));
        break;
    case Step::Insert: SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(wideOf(step.text).c_str())); break;
    case Step::Undo: chars(26); break;
    case Step::Redo: chars(25); break;
    case Step::Cut: chars(24); break;
    case Step::Paste:
        if (!step.text.empty()) setClipboardText(box, wideOf(step.text));
        chars(22);
        break;
    case Step::SelectAll: chars(1); break;
    case Step::Put: view.setText(step.text); break;
    case Step::Click:
    case Step::ShiftClick: {
        const WPARAM keys = MK_LBUTTON | (step.kind == Step::ShiftClick ? MK_SHIFT : 0);
        SendMessageW(box, WM_LBUTTONDOWN, keys, point(step.spot));
        SendMessageW(box, WM_LBUTTONUP, 0, point(step.spot));
        break;
    }
    case Step::DoubleClick:
        SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, point(step.spot));
        SendMessageW(box, WM_LBUTTONUP, 0, point(step.spot));
        SendMessageW(box, WM_LBUTTONDBLCLK, MK_LBUTTON, point(step.spot));
        SendMessageW(box, WM_LBUTTONUP, 0, point(step.spot));
        break;
    case Step::Drag:
        SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, point(step.spot));
        SendMessageW(box, WM_MOUSEMOVE, MK_LBUTTON, point(step.to));
        SendMessageW(box, WM_LBUTTONUP, 0, point(step.to));
        break;
    case Step::Select: SendMessageW(box, EM_SETSEL, step.anchor, static_cast<LPARAM>(step.caret)); break;
    }
}

TEST(Win32Window, TheBigBoxesEditAsTheEditControl) {
    Win32Rig rig;
    auto* view = static_cast<TextView*>(rig.window.find("txt_answer"));
    HWND box = view->hwnd();
    for (const drill::testing::EditingCase& c : drill::testing::editingCases()) {
        rig.setText("txt_answer", c.before);
        SendMessageW(box, EM_SETSEL, c.caret, static_cast<LPARAM>(c.caret));
        for (const drill::testing::Step& step : c.steps) runStep(box, *view, step);
        DWORD anchor = 0, caret = 0;
        SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&anchor), reinterpret_cast<LPARAM>(&caret));
        EXPECT_EQ(rig.text("txt_answer"), c.edit.text.value_or(c.after)) << c.what;
        EXPECT_EQ(std::min(anchor, caret), std::min(c.edit.anchor, c.edit.caret)) << c.what;
        EXPECT_EQ(std::max(anchor, caret), std::max(c.edit.anchor, c.edit.caret)) << c.what;
    }
}

// The first page down from the top turns a whole page and takes the caret
// with it, as every page after it does.
TEST(Win32Window, PagesTurnTheViewWithTheCaret) {
    Win32Rig rig;
    auto* view = static_cast<TextView*>(rig.window.find("txt_question"));
    HWND box = view->hwnd();
    std::string lines;
    for (int i = 0; i < 200; ++i) lines += "line " + std::to_string(i) + "\r\n";
    rig.setText("txt_question", lines);
    SendMessageW(box, WM_KEYDOWN, VK_NEXT, 0);
    const auto caretLine = [&] { return static_cast<std::size_t>(SendMessageW(box, EM_LINEFROMCHAR, static_cast<WPARAM>(-1), 0)); };
    ASSERT_GT(view->topLine(), 10u);
    EXPECT_EQ(caretLine(), view->topLine());
    SendMessageW(box, WM_KEYDOWN, VK_NEXT, 0);
    EXPECT_EQ(caretLine(), view->topLine());
}

// A paragraph wraps after blanks at the box's width, as the edit control
// wraps it. (That a change lays out anew what a layout from scratch makes
// is the editing core's, tested with it.)
TEST(Win32Window, TheBigBoxesWrapAfterBlanks) {
    Win32Rig rig;
    auto* view = static_cast<TextView*>(rig.window.find("txt_question"));
    std::string words;
    for (int i = 0; i < 200; ++i) words += "word" + std::to_string(i) + (i % 37 == 36 ? "\r\n" : " ");
    rig.setText("txt_question", words);
    ASSERT_GT(view->lineStarts().size(), 12u);
    for (const std::size_t start : view->lineStarts()) {
        if (start == 0) continue;
        const char before = words[start - 1];
        EXPECT_TRUE(before == ' ' || before == '\n') << "a line starts inside a word at " << start;
    }
}

// The input box: its prompt and caption, the code page and one line in its
// entry field, and the empty text on Cancel.
TEST(Win32Window, TheInputBox) {
    Win32Dialogs dialogs;
    std::vector<std::string> prompts;
    std::wstring typed;
    bool cancel = false;
    dialogs.shown = [&](HWND box) {
        prompts.push_back(textOf(GetDlgItem(box, kInputBoxPrompt)));
        HWND entry = GetDlgItem(box, kInputBoxEntry);
        for (const wchar_t k : typed) SendMessageW(entry, WM_CHAR, k, 0);
        SendMessageW(box, WM_COMMAND, cancel ? IDCANCEL : IDOK, 0);
    };
    typed = L"Zo\u00EB \u03A9";
    EXPECT_EQ(dialogs.inputBox(texts::kPrompt2, texts::kCaption), "Zo\xEB ?");
    cancel = true;
    EXPECT_EQ(dialogs.inputBox(texts::kPrompt4, texts::kCaption), "");
    EXPECT_EQ(prompts, (std::vector<std::string>{texts::kPrompt2, texts::kPrompt4}));
}

// Closing the window and the end of the session end the program as "quit
// program" does; inside a modal box, the box closes and the command ends.
TEST(Win32Window, ClosingAndTheEndOfTheSessionEndItAsQuitDoes) {
    for (const UINT message : {WM_CLOSE, WM_ENDSESSION}) {
        Win32Rig rig;
        ASSERT_TRUE(rig.load());
        SendMessageW(rig.window.hwnd(), message, TRUE, 0);
        EXPECT_TRUE(rig.window.programEnded()) << message;
    }
    Win32Rig inBox;
    // While the second prompt is open (the first is answered).
    inBox.dialogs.whileOpen = [&] {
        if (inBox.dialogs.prompts.size() == 1) SendMessageW(inBox.window.hwnd(), WM_ENDSESSION, TRUE, 0);
    };
    EXPECT_FALSE(inBox.load());
    EXPECT_EQ(inBox.dialogs.prompts.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(inBox.drive.path("tarnholm/masterFile_Ann_Lee.txt")));
}

// The picture goes to the right panel through the clipboard as a DIB; the
// circles stay on the left panel's surface, apart from its picture.
TEST(Win32Window, PicturesAndCircles) {
    Win32Rig rig;
    ASSERT_TRUE(rig.load());
    auto* left = static_cast<PicturePanel*>(rig.window.find("Picture1"));
    auto* right = static_cast<PicturePanel*>(rig.window.find("Picture2"));
    Picture picture{3, 2, {0xFF112233u, 0xFF445566u, 0xFF778899u, 0x80AABBCCu, 0xFFDDEEFFu, 0xFF000000u}};
    left->setPicture(picture);
    rig.press("cmd_copy_picture");
    EXPECT_EQ(right->picture(), picture);
    EXPECT_EQ(left->picture(), picture);
    rig.random.draws = {0.5f};
    rig.press("cmd_pend_exp");
    rig.timer.tick();
    EXPECT_EQ(left->circles(), 1);
    EXPECT_EQ(right->circles(), 0);
    EXPECT_EQ(left->picture(), picture);
    // The circle of radius 250 of 1000 across, around the middle, is on the
    // surface: its leftmost point is black, the middle white.
    BITMAP bm{};
    GetObjectW(left->surface(), sizeof bm, &bm);
    const auto* pixels = static_cast<const std::uint32_t*>(bm.bmBits);
    const auto at = [&](int x, int y) { return pixels[y * bm.bmWidth + x] & 0xFFFFFFu; };
    const int middleX = bm.bmWidth / 2, middleY = bm.bmHeight / 2;
    EXPECT_EQ(at(middleX, middleY), 0xFFFFFFu);
    EXPECT_EQ(at(middleX - bm.bmWidth / 4, middleY), 0u);
    // A DIB another program put there in 24 bits, bottom-up, reads the same.
    const std::string dib24 = [] {
        BITMAPINFOHEADER h{sizeof h, 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        std::string d(reinterpret_cast<const char*>(&h), sizeof h);
        d += std::string("\x01\x02\x03\x04\x05\x06\0\0", 8);  // bottom row, padded
        d += std::string("\x07\x08\x09\x0A\x0B\x0C\0\0", 8);
        return d;
    }();
    const std::optional<Picture> read = fromPackedDib(dib24.data(), dib24.size());
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->pixels, (std::vector<std::uint32_t>{0xFF090807u, 0xFF0C0B0Au, 0xFF030201u, 0xFF060504u}));
    EXPECT_FALSE(fromPackedDib(dib24.data(), dib24.size() - 1).has_value());
}

// Where oleacc and uiautomationcore cannot be loaded from the system folder,
// the program works on: it takes the four prompts and records, and a screen
// reader that asks a box gets Windows' standard object instead of the
// program's.
// System procedures from the test's finder while in scope.
struct ProceduresFrom {
    explicit ProceduresFrom(ProcedureFinder finder) : was(replaceProcedureFinder(std::move(finder))) {}
    ~ProceduresFrom() { replaceProcedureFinder(std::move(was)); }
    ProcedureFinder was;
};

TEST(Win32Window, WithoutTheAccessibilityDllItStillRecords) {
    std::set<std::wstring> asked;
    ProceduresFrom none([&](const wchar_t* dll, const char*) -> FARPROC {
        asked.insert(dll);
        return nullptr;
    });
    Win32Rig rig;
    ASSERT_TRUE(rig.load());
    EXPECT_EQ(rig.dialogs.prompts.size(), 4u);
    CoInitialize(nullptr);
    const GUID iidAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
    IAccessible* standard = nullptr;
    EXPECT_EQ(AccessibleObjectFromWindow(rig.hwnd("txt_answer"), static_cast<DWORD>(OBJID_CLIENT), iidAccessible,
                                         reinterpret_cast<void**>(&standard)),
              S_OK);
    if (standard != nullptr) standard->Release();
    CoUninitialize();
    // Nor UI Automation: the box answers as it did without it.
    EXPECT_EQ(SendMessageW(rig.hwnd("txt_answer"), WM_GETOBJECT, 0, uia::kRootObjectId), 0);
    EXPECT_EQ(asked, (std::set<std::wstring>{L"oleacc.dll", L"uiautomationcore.dll"}));
    rig.press("cmdNextQuestion");
    rig.setText("txt_answer", "an answer");
    rig.press("cmd_enter_response");
    EXPECT_EQ(rig.text("txt_answer"), "");
    EXPECT_NE(testing::readFile(rig.drive.path("tarnholm/masterFile_Ann_Lee.txt")).find("an answer"), std::string::npos);
    EXPECT_TRUE(rig.dialogs.messages.empty());
}

// A screen reader is told every control's name, the descriptions that tell
// the two "Make Paragraph" buttons and the panels apart, what the
// experiment display shows, and of each new question as it comes.
TEST(Win32Window, WhatAScreenReaderIsTold) {
    Win32Rig rig;
    ASSERT_TRUE(rig.load());
    CoInitialize(nullptr);
    const GUID iidAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
    enum class Told { Name, Description, Value, Role };
    const auto told = [&](const char* name, Told what) {
        IAccessible* acc = nullptr;
        if (FAILED(AccessibleObjectFromWindow(rig.hwnd(name), static_cast<DWORD>(OBJID_CLIENT), iidAccessible,
                                              reinterpret_cast<void**>(&acc))))
            return std::string("(no object)");
        VARIANT self;
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR text = nullptr;
        HRESULT hr = S_OK;
        if (what != Told::Role) {
            hr = what == Told::Description ? acc->get_accDescription(self, &text)
                 : what == Told::Value     ? acc->get_accValue(self, &text)
                                           : acc->get_accName(self, &text);
        } else {
            VARIANT role{};
            acc->get_accRole(self, &role);
            text = SysAllocString(role.vt == VT_I4 && role.lVal == ROLE_SYSTEM_TEXT ? L"text" : L"other");
        }
        std::string out = SUCCEEDED(hr) && text != nullptr ? cp1252::fromUtf16(std::u16string(text, text + SysStringLen(text))) : "";
        SysFreeString(text);
        acc->Release();
        return out;
    };
    for (const ControlSpec& c : controls()) {
        if (c.kind == ControlKind::Label) continue;
        EXPECT_EQ(told(c.name, Told::Name), accessibleNameOf(c)) << c.name;
        if (c.description != nullptr) {
            EXPECT_EQ(told(c.name, Told::Description), c.description) << c.name;
        }
    }
    static std::vector<std::pair<DWORD, HWND>> events;
    events.clear();
    HWINEVENTHOOK hook = SetWinEventHook(
        EVENT_OBJECT_DESCRIPTIONCHANGE, 0x8019, nullptr,
        [](HWINEVENTHOOK, DWORD event, HWND hwnd, LONG, LONG, DWORD, DWORD) {
            if (event == EVENT_OBJECT_DESCRIPTIONCHANGE || event == 0x8019) events.emplace_back(event, hwnd);
        },
        0, 0, WINEVENT_OUTOFCONTEXT);
    rig.press("cmdNextQuestion");
    rig.press("cmd_pend_exp");
    rig.timer.tick(2);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    UnhookWinEvent(hook);
    EXPECT_EQ(told("Picture1", Told::Description), experimentDescription(true, 2));
    // The question box is text, whose value is the question.
    EXPECT_EQ(told("txt_question", Told::Role), "text");
    EXPECT_EQ(told("txt_question", Told::Value), e2e::block::kLine3);
    // The new question as a live region's news; the experiment's start, not
    // each of its ticks.
    EXPECT_EQ(events, (std::vector<std::pair<DWORD, HWND>>{{0x8019, rig.hwnd("txt_question")},
                                                           {EVENT_OBJECT_DESCRIPTIONCHANGE, rig.hwnd("Picture1")}}));
    CoUninitialize();
}


// ---- UI Automation ----------------------------------------------------------

// A box's text pattern, called as a client's UI Automation would call it.
struct TextPattern {
    explicit TextPattern(TextView& box) : view(&box), element(box.automation().element()) {
        IUnknown* pattern = nullptr;
        element->GetPatternProvider(uia::kTextPattern, &pattern);
        text = static_cast<uia::ITextProvider*>(pattern);
    }
    // The rig's box, holding the text given.
    TextPattern(Win32Rig& rig, const char* box, const std::string& holding)
        : TextPattern(*static_cast<TextView*>(rig.window.find(box))) {
        rig.setText(box, holding);
    }
    ~TextPattern() {
        text->Release();
        element->Release();
    }
    // The view's selection (or caret), the ranges in view and the whole
    // text, each as a range of the caller's.
    uia::ITextRangeProvider* selection() const { return first(&uia::ITextProvider::GetSelection); }
    uia::ITextRangeProvider* visible() const { return first(&uia::ITextProvider::GetVisibleRanges); }
    uia::ITextRangeProvider* document() const {
        uia::ITextRangeProvider* range = nullptr;
        text->get_DocumentRange(&range);
        return range;
    }
    uia::ITextRangeProvider* first(HRESULT (STDMETHODCALLTYPE uia::ITextProvider::*ranges)(SAFEARRAY**)) const {
        SAFEARRAY* array = nullptr;
        (text->*ranges)(&array);
        LONG index = 0;
        uia::ITextRangeProvider* range = nullptr;
        SafeArrayGetElement(array, &index, &range);
        SafeArrayDestroy(array);
        return range;
    }
    TextView* view;
    IRawElementProviderSimple* element;
    uia::ITextProvider* text = nullptr;
};

std::string textOf(uia::ITextRangeProvider* range) {
    BSTR text = nullptr;
    if (FAILED(range->GetText(-1, &text))) return "(failed)";
    std::string out = cp1252::fromUtf16(std::u16string(text, text + SysStringLen(text)));
    SysFreeString(text);
    return out;
}

// A short paragraph, a blank line, a paragraph the box wraps, and a last
// line; characters of the code page beyond ASCII among them.
const std::string kParagraph = [] {
    std::string p;
    for (int i = 0; i < 12; ++i) p += "water flows from one bottle into another ";
    return p;
}();
const std::string kSample = "Caf\xe9 costs 5\x80.\r\n\r\n" + kParagraph + "\r\nLast line";
// More lines than a box shows.
const std::string kLines = [] {
    std::string lines;
    for (int i = 0; i < 100; ++i) lines += "line " + std::to_string(i) + "\r\n";
    return lines;
}();

// Each unit as the editing core counts it, through the text pattern: the
// range starts as the selection [anchor, caret) and is expanded or moved.
TEST(Win32Window, TextRangesMoveByTheCoresUnits) {
    using namespace uia;
    enum class Op { Expand, Move, MoveStart, MoveEnd };
    struct Case {
        DWORD anchor, caret;
        Op op;
        TextUnit unit;
        int count;
        int moved;
        std::string text;
    };
    const std::string last = "Last line";
    const Case cases[] = {
        {3, 3, Op::Expand, TextUnit_Character, 0, 0, "\xe9"},
        {12, 12, Op::Expand, TextUnit_Character, 0, 0, "\x80"},
        {14, 14, Op::Expand, TextUnit_Character, 0, 0, "\r\n"},
        {1, 1, Op::Expand, TextUnit_Word, 0, 0, "Caf\xe9 "},
        {1, 1, Op::Expand, TextUnit_Paragraph, 0, 0, "Caf\xe9 costs 5\x80.\r\n"},
        {16, 16, Op::Expand, TextUnit_Line, 0, 0, "\r\n"},
        {static_cast<DWORD>(kSample.size()), static_cast<DWORD>(kSample.size()), Op::Expand, TextUnit_Line, 0, 0, last},
        {1, 1, Op::Expand, TextUnit_Format, 0, 0, kSample},
        {1, 1, Op::Expand, TextUnit_Page, 0, 0, kSample},
        {0, 1, Op::Move, TextUnit_Character, 3, 3, "\xe9"},
        {0, 1, Op::Move, TextUnit_Character, -1, 0, "C"},
        {0, 1, Op::Move, TextUnit_Word, 1, 1, "costs "},
        {5, 6, Op::Move, TextUnit_Word, -1, -1, "Caf\xe9 "},
        {0, 1, Op::Move, TextUnit_Line, 1, 1, "\r\n"},
        {0, 1, Op::Move, TextUnit_Paragraph, 2, 2, kParagraph + "\r\n"},
        {0, 1, Op::Move, TextUnit_Paragraph, 9, 3, last},
        {0, 1, Op::Move, TextUnit_Document, 1, 0, kSample},
        {0, 0, Op::MoveEnd, TextUnit_Word, 2, 2, "Caf\xe9 costs "},
        {0, 5, Op::MoveStart, TextUnit_Character, 1, 1, "af\xe9 "},
        {0, 1, Op::MoveEnd, TextUnit_Document, 5, 1, kSample},
        {0, 1, Op::MoveStart, TextUnit_Document, 1, 1, ""},
        {18, 20, Op::MoveStart, TextUnit_Paragraph, -1, -1, "\r\nwa"},
        {20, 20, Op::MoveStart, TextUnit_Paragraph, -1, -1, "wa"},
    };
    Win32Rig rig;
    TextPattern pattern(rig, "txt_question", kSample);
    for (const Case& c : cases) {
        SendMessageW(pattern.view->hwnd(), EM_SETSEL, c.anchor, static_cast<LPARAM>(c.caret));
        ITextRangeProvider* range = pattern.selection();
        int moved = 0;
        switch (c.op) {
        case Op::Expand: range->ExpandToEnclosingUnit(c.unit); break;
        case Op::Move: range->Move(c.unit, c.count, &moved); break;
        case Op::MoveStart: range->MoveEndpointByUnit(TextPatternRangeEndpoint_Start, c.unit, c.count, &moved); break;
        case Op::MoveEnd: range->MoveEndpointByUnit(TextPatternRangeEndpoint_End, c.unit, c.count, &moved); break;
        }
        const std::string text = textOf(range);
        std::printf("[%lu,%lu) op %d unit %d by %d: moved %d, %s\n", c.anchor, c.caret, static_cast<int>(c.op), c.unit,
                    c.count, moved, ::testing::PrintToString(text).c_str());
        EXPECT_EQ(moved, c.moved) << c.anchor << " " << c.unit << " " << c.count;
        EXPECT_EQ(text, c.text) << c.anchor << " " << c.unit << " " << c.count;
        range->Release();
    }
}

// Line by line from the start, a client reads the lines the box shows:
// the wrapped ones, the blank one and the last.
TEST(Win32Window, TextRangesReadTheLinesAsShown) {
    Win32Rig rig;
    auto* view = static_cast<TextView*>(rig.window.find("txt_question"));
    rig.setText("txt_question", kSample);
    const std::vector<std::size_t> starts = view->lineStarts();
    ASSERT_GT(starts.size(), 5u) << "the paragraph wraps";
    TextPattern pattern(*view);
    uia::ITextRangeProvider* range = pattern.selection();
    range->ExpandToEnclosingUnit(uia::TextUnit_Line);
    std::vector<std::string> read{textOf(range)}, shown;
    for (int moved = 1; moved == 1 && read.size() <= starts.size();) {
        range->Move(uia::TextUnit_Line, 1, &moved);
        if (moved == 1) read.push_back(textOf(range));
    }
    range->Release();
    for (std::size_t i = 0; i < starts.size(); ++i)
        shown.push_back(kSample.substr(starts[i], (i + 1 < starts.size() ? starts[i + 1] : kSample.size()) - starts[i]));
    EXPECT_EQ(read, shown);
}

// A range selected through the pattern is the view's selection, and the
// selection read back is that range.
TEST(Win32Window, ATextRangeSelects) {
    Win32Rig rig;
    TextPattern pattern(rig, "txt_answer", kSample);
    uia::ITextRangeProvider* range = pattern.document();
    int moved = 0;
    range->Move(uia::TextUnit_Word, 2, &moved);
    range->Select();
    DWORD from = 0, to = 0;
    SendMessageW(pattern.view->hwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(kSample.substr(from, to - from), "5");
    uia::ITextRangeProvider* selected = pattern.selection();
    BOOL same = FALSE;
    selected->Compare(range, &same);
    EXPECT_TRUE(same);
    selected->Release();
    range->Release();
}

// Text is found within a range, forwards, backwards and in any case.
TEST(Win32Window, ATextRangeFindsText) {
    Win32Rig rig;
    TextPattern pattern(rig, "txt_answer", kSample);
    uia::ITextRangeProvider* range = pattern.document();
    // Where the match starts, or npos.
    const auto found = [&](const wchar_t* sought, BOOL backward, BOOL ignoreCase) {
        BSTR text = SysAllocString(sought);
        uia::ITextRangeProvider* match = nullptr;
        range->FindText(text, backward, ignoreCase, &match);
        SysFreeString(text);
        if (match == nullptr) return std::string::npos;
        int moved = 0;
        match->MoveEndpointByUnit(uia::TextPatternRangeEndpoint_End, uia::TextUnit_Document, 1, &moved);
        const std::size_t at = kSample.size() - textOf(match).size();
        match->Release();
        return at;
    };
    EXPECT_EQ(found(L"bottle into", FALSE, FALSE), kSample.find("bottle into"));
    EXPECT_EQ(found(L"another water", TRUE, FALSE), kSample.rfind("another water"));
    EXPECT_EQ(found(L"CAF\u00c9", FALSE, TRUE), 0u);
    EXPECT_EQ(found(L"CAF\u00c9", FALSE, FALSE), std::string::npos);
    range->Release();
}

// A value a client sets is an edit that Ctrl+Z takes back.
TEST(Win32Window, AValueSetByAClientIsUndone) {
    Win32Rig rig;
    auto* view = static_cast<TextView*>(rig.window.find("txt_answer"));
    rig.setText("txt_answer", "typed");
    IRawElementProviderSimple* element = view->automation().element();
    IUnknown* pattern = nullptr;
    element->GetPatternProvider(uia::kValuePattern, &pattern);
    auto* value = static_cast<uia::IValueProvider*>(pattern);
    value->SetValue(L"new \u20ac\n");
    EXPECT_EQ(rig.text("txt_answer"), "new \x80\r\n");
    SendMessageW(view->hwnd(), WM_CHAR, 26, 0);  // Ctrl+Z
    EXPECT_EQ(rig.text("txt_answer"), "typed");
    value->Release();
    element->Release();
}

// A range whose text shrank under it reads what is left.
TEST(Win32Window, ATextRangeOutlivesItsText) {
    Win32Rig rig;
    TextPattern pattern(rig, "txt_answer", kSample);
    uia::ITextRangeProvider* range = pattern.document();
    rig.setText("txt_answer", "ab\r\n");
    EXPECT_EQ(textOf(range), "ab\r\n");
    range->Release();
}

// One rectangle for each line in view, on the screen within the box.
TEST(Win32Window, TextRangesHaveOneRectangleForEachLineInView) {
    Win32Rig rig;
    auto* view = static_cast<TextView*>(rig.window.find("txt_question"));
    rig.setText("txt_question", kSample + "\r\n" + kLines);
    SendMessageW(view->hwnd(), WM_VSCROLL, SB_LINEDOWN, 0);
    RECT client{};
    GetClientRect(view->hwnd(), &client);
    std::size_t inView = 0;
    for (const std::size_t start : view->lineStarts()) {
        const LRESULT place = SendMessageW(view->hwnd(), EM_POSFROMCHAR, start, 0);
        const int y = static_cast<short>(HIWORD(place));
        if (y >= 0 && y < client.bottom) ++inView;
    }
    MapWindowPoints(view->hwnd(), HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    TextPattern pattern(*view);
    uia::ITextRangeProvider* range = pattern.document();
    SAFEARRAY* rectangles = nullptr;
    ASSERT_EQ(range->GetBoundingRectangles(&rectangles), S_OK);
    const auto* sides = static_cast<const double*>(rectangles->pvData);
    const std::size_t count = rectangles->rgsabound[0].cElements / 4;
    EXPECT_EQ(count, inView);
    for (std::size_t i = 0; i < count; ++i) {
        const double left = sides[4 * i], top = sides[4 * i + 1], width = sides[4 * i + 2], height = sides[4 * i + 3];
        EXPECT_TRUE(left >= client.left && left + width <= client.right && top >= client.top &&
                    top + height <= client.bottom)
            << "line " << i << " at " << left << "," << top << " " << width << "x" << height;
    }
    SafeArrayDestroy(rectangles);
    range->Release();
}

// A range scrolled into view is among the visible ones, and a point on a
// line of it gives a place on that line.
TEST(Win32Window, ATextRangeScrollsIntoViewAndIsFoundByPoint) {
    Win32Rig rig;
    TextPattern pattern(rig, "txt_question", kLines + "the end");
    uia::ITextRangeProvider* range = pattern.document();
    int moved = 0;
    range->MoveEndpointByUnit(uia::TextPatternRangeEndpoint_Start, uia::TextUnit_Line, 100, &moved);
    ASSERT_EQ(textOf(range), "the end");
    range->ScrollIntoView(FALSE);
    uia::ITextRangeProvider* shown = pattern.visible();
    const std::string shownText = textOf(shown);
    EXPECT_EQ(shownText.substr(shownText.size() - 9), "\r\nthe end");
    SAFEARRAY* rectangles = nullptr;
    range->GetBoundingRectangles(&rectangles);
    ASSERT_EQ(rectangles->rgsabound[0].cElements, 4u);
    const auto* sides = static_cast<const double*>(rectangles->pvData);
    uia::ITextRangeProvider* hit = nullptr;
    pattern.text->RangeFromPoint({sides[0] + sides[2] - 1, sides[1] + sides[3] / 2}, &hit);
    hit->ExpandToEnclosingUnit(uia::TextUnit_Line);
    EXPECT_EQ(textOf(hit), "the end");
    SafeArrayDestroy(rectangles);
    hit->Release();
    shown->Release();
    range->Release();
}

// What UI Automation is told as the boxes change, once a client asked for
// a box: every change of text and of selection, and each new question.
struct RaisedEvents {
    static inline std::vector<std::pair<int, std::string>> raised;
    static BOOL WINAPI listening() { return TRUE; }
    static HRESULT WINAPI raise(IRawElementProviderSimple*, EVENTID event) {
        raised.emplace_back(event, "");
        return S_OK;
    }
    static HRESULT WINAPI notify(IRawElementProviderSimple*, uia::NotificationKind, uia::NotificationProcessing,
                                 BSTR text, BSTR) {
        raised.emplace_back(0, cp1252::fromUtf16(std::u16string(text, text + SysStringLen(text))));
        return S_OK;
    }
    static LRESULT WINAPI give(HWND, WPARAM, LPARAM, IRawElementProviderSimple*) { return 1; }
};

TEST(Win32Window, TheBoxesTellUiAutomationOfTheirChanges) {
    const auto procedure = [](auto* f) { return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(f)); };
    const std::map<std::string, FARPROC> fakes{
        {"UiaClientsAreListening", procedure(&RaisedEvents::listening)},
        {"UiaRaiseAutomationEvent", procedure(&RaisedEvents::raise)},
        {"UiaRaiseNotificationEvent", procedure(&RaisedEvents::notify)},
        {"UiaReturnRawElementProvider", procedure(&RaisedEvents::give)}};
    ProceduresFrom stand_ins([&](const wchar_t*, const char* name) -> FARPROC {
        const auto fake = fakes.find(name);
        return fake != fakes.end() ? fake->second : nullptr;
    });
    Win32Rig rig;
    ASSERT_TRUE(rig.load());
    ASSERT_EQ(SendMessageW(rig.hwnd("txt_answer"), WM_GETOBJECT, 0, uia::kRootObjectId), 1);
    using Raised = std::vector<std::pair<int, std::string>>;
    const auto after = [&](auto&& act) {
        RaisedEvents::raised.clear();
        act();
        return RaisedEvents::raised;
    };
    const int text = uia::kTextChangedEvent, selection = uia::kTextSelectionChangedEvent;
    EXPECT_EQ(after([&] { rig.press("cmdNextQuestion"); }),
              (Raised{{text, ""}, {0, e2e::block::kLine3}}));
    EXPECT_EQ(after([&] { rig.setText("txt_answer", "an answer"); }), (Raised{{text, ""}}));
    EXPECT_EQ(after([&] { SendMessageW(rig.hwnd("txt_answer"), WM_CHAR, 'x', 0); }), (Raised{{text, ""}, {selection, ""}}));
}

// Through Wine's own UI Automation, from the window handle, as a client in
// another program asks: on a thread of its own while the window's thread
// handles messages (asked from the window's thread, Wine never answers).
struct UiaClient {
    HRESULT(WINAPI* nodeFromHandle)(HWND, void**) = reinterpret_cast<decltype(nodeFromHandle)>(
        reinterpret_cast<void (*)()>(systemProcedure(L"uiautomationcore.dll", "UiaNodeFromHandle")));
    HRESULT(WINAPI* getProperty)(void*, PROPERTYID, VARIANT*) = reinterpret_cast<decltype(getProperty)>(
        reinterpret_cast<void (*)()>(systemProcedure(L"uiautomationcore.dll", "UiaGetPropertyValue")));
    BOOL(WINAPI* release)(void*) = reinterpret_cast<decltype(release)>(
        reinterpret_cast<void (*)()>(systemProcedure(L"uiautomationcore.dll", "UiaNodeRelease")));
    HWND box = nullptr;
    HRESULT made = E_FAIL;
    std::vector<std::string> told;

    static DWORD WINAPI run(void* self) {
        auto& client = *static_cast<UiaClient*>(self);
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        void* node = nullptr;
        client.made = client.nodeFromHandle(client.box, &node);
        // Wine 8 answers E_NOTIMPL for the value property: not asked.
        for (const PROPERTYID id : {uia::kControlTypeProperty, uia::kNameProperty, uia::kAutomationIdProperty}) {
            VARIANT v{};
            if (SUCCEEDED(client.made)) client.getProperty(node, id, &v);
            client.told.push_back(v.vt == VT_I4     ? std::to_string(v.lVal)
                                  : v.vt == VT_BSTR ? cp1252::fromUtf16(std::u16string(v.bstrVal, v.bstrVal + SysStringLen(v.bstrVal)))
                                                    : "(type " + std::to_string(v.vt) + ")");
            VariantClear(&v);
        }
        if (node != nullptr) client.release(node);
        CoUninitialize();
        return 0;
    }
};

TEST(Win32Window, UiAutomationReadsTheBoxFromItsHandle) {
    UiaClient client;
    if (client.nodeFromHandle == nullptr || client.getProperty == nullptr || client.release == nullptr)
        GTEST_SKIP() << "this uiautomationcore.dll has no UiaNodeFromHandle, UiaGetPropertyValue or UiaNodeRelease";
    Win32Rig rig;
    ASSERT_TRUE(rig.load());
    client.box = rig.hwnd("txt_answer");
    HANDLE thread = CreateThread(nullptr, 0, &UiaClient::run, &client, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    // A minute is ample for a few calls on the busiest machine.
    const ULONGLONG deadline = GetTickCount64() + 60000;
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 100, QS_ALLINPUT) != WAIT_OBJECT_0 && GetTickCount64() < deadline) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    const bool ended = WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
    if (!ended) TerminateThread(thread, 1);
    CloseHandle(thread);
    ASSERT_TRUE(ended) << "UI Automation did not answer within a minute";
    EXPECT_EQ(client.made, S_OK);
    EXPECT_EQ(client.told, (std::vector<std::string>{std::to_string(uia::kEditControlType), "Answer", "txt_answer"}));
}

}  // namespace
}  // namespace drill::win32
