// One copy of the program for the test of two copies recording into the same
// files: the whole window, offscreen, with the real clock, generator and disk
// channels. It answers the start-up prompts, says "ready" once its header is
// written, waits for the go file, then records one block per turn, answers
// and notes by turns, each a large answer of many lines.
//
//   record_driver <name> <initials> <blocks> <answer bytes> <go file> [--send-fails]
//
// Exit status 0 when every block was recorded without a message. With
// --send-fails every block fails part way into the send file, and the copy
// expects message B 61 for each.
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
#include "window/qt/main_window.h"
#include "window/qt/text_box.h"
#include "faults.h"
#include "window_fakes.h"

int main(int argc, char* argv[]) {
    const bool sendFails = argc == 7 && std::string(argv[6]) == "--send-fails";
    if (argc != 6 && !sendFails) {
        std::fprintf(stderr,
                     "usage: record_driver <name> <initials> <blocks> <answer bytes> <go file> [--send-fails]\n");
        return 64;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string name = argv[1], initials = argv[2];
    const int blocks = std::stoi(argv[3]);
    const std::size_t bytes = std::stoul(argv[4]);
    const std::filesystem::path go = argv[5];

    drill::testing::LimitedDisk disk;
    const auto files = drill::makeDiskFiles(disk.fileSystem());
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

    if (sendFails) {
        // Half of each block fits into the send file. The disk is slow to
        // tell a file's size, so that the other copy has time to append
        // between this copy's look at a file and its cutting back.
        disk.room = [](const std::string& path, std::int64_t, std::size_t wanted) {
            return path.find("\\send_") == std::string::npos ? wanted : wanted / 2;
        };
        disk.slowSize = std::chrono::milliseconds(20);
    }
    auto* answer = window.findChild<drill::CodePageTextEdit*>("txt_answer");
    for (int n = 0; n < blocks; ++n) {
        answer->setCodePageText(drill::e2e::blockText(initials, n, bytes));
        press(n % 2 == 0 ? "cmd_enter_response" : "cmd_save_as_notes");
        const std::size_t expected = sendFails ? static_cast<std::size_t>(n) + 1 : 0;
        const bool as = dialogs.messages.size() == expected &&
                        (!sendFails || dialogs.messages.back().ends_with("The error is:  61"));
        if (!as) {
            std::fprintf(stderr, "block %d: %zu messages, the last: %s\n", n, dialogs.messages.size(),
                         dialogs.messages.empty() ? "" : dialogs.messages.back().c_str());
            return 4;
        }
    }
    return 0;
}
