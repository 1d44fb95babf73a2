// One copy of the program for the test of two copies recording into the same
// files: the whole window, offscreen, with the real clock, generator and disk
// channels. It answers the start-up prompts, says "ready" once its header is
// written, waits for the go file, then records one block per turn, answers
// and notes by turns, each a large answer of many lines.
//
//   record_driver <name> <initials> <blocks> <answer bytes> <go file>
//
// Exit status 0 when every block was recorded without a message.
#include <QApplication>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "block_text.h"
#include "drill/form_state.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/random.h"
#include "window/main_window.h"
#include "window/text_box.h"
#include "window_fakes.h"

int main(int argc, char* argv[]) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: record_driver <name> <initials> <blocks> <answer bytes> <go file>\n");
        return 64;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string name = argv[1], initials = argv[2];
    const int blocks = std::stoi(argv[3]);
    const std::size_t bytes = std::stoul(argv[4]);
    const std::filesystem::path go = argv[5];

    const auto files = drill::makeDiskFiles();
    const auto clock = drill::makeSystemClock();
    const auto random = drill::makeGenerator();
    drill::testing::ScriptedDialogs dialogs;
    drill::testing::CountingBeeper beeper;
    drill::testing::ManualTimer timer;
    drill::FormState state;
    drill::MainWindow window({*files, *clock, *random, dialogs, beeper, timer, state});
    dialogs.answers = {"1", name, initials, "1"};
    if (!window.load() || !dialogs.messages.empty()) {
        std::fprintf(stderr, "start-up failed\n");
        return 2;
    }
    auto press = [&](const char* button) { window.findChild<QPushButton*>(button)->click(); };
    press("cmdNextQuestion");
    std::printf("ready\n");
    std::fflush(stdout);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!std::filesystem::exists(go)) {
        if (std::chrono::steady_clock::now() > deadline) return 3;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    auto* answer = window.findChild<drill::CodePageTextEdit*>("txt_answer");
    for (int n = 0; n < blocks; ++n) {
        answer->setCodePageText(drill::e2e::blockText(initials, n, bytes));
        press(n % 2 == 0 ? "cmd_enter_response" : "cmd_save_as_notes");
        if (!dialogs.messages.empty()) {
            std::fprintf(stderr, "block %d: %s\n", n, dialogs.messages.front().c_str());
            return 4;
        }
    }
    return 0;
}
