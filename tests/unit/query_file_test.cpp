#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "drill_rig.h"
#include "platform/errors.h"

namespace drill::testing {
namespace {

namespace fs = std::filesystem;

struct QueryRig : DrillRig {
    QueryRig() {
        fs::create_directory(home(""));
        state.dataDir = "c:\\tarnholm";
        state.codeNbr = 23;
    }
    int errorOfCodeFile() {
        try {
            drill.codeFile();
        } catch (const RuntimeError& e) {
            return e.number();
        }
        return 0;
    }
};

struct QueryCase {
    std::string query;  // the query file
    std::string queri;  // the queri file made from it
    float key;
};

class CodeFile : public ::testing::TestWithParam<QueryCase> {};

TEST_P(CodeFile, CopiesLinesByKindAndTakesTheKeyFromTheFirstLine) {
    QueryRig rig;
    writeFile(rig.home("query.txt"), GetParam().query);
    writeFile(rig.home("queri.txt"), "an older queri file, replaced whole\r\n\r\n\r\n\r\n\r\n\r\n");
    EXPECT_EQ(rig.errorOfCodeFile(), 0);
    EXPECT_EQ(rig.state.codeNbr, GetParam().key);
    // Both channels are left open for the caller.
    EXPECT_TRUE(rig.files->isOpen(1));
    EXPECT_TRUE(rig.files->isOpen(2));
    rig.files->closeAll();
    EXPECT_EQ(readFile(rig.home("queri.txt")), GetParam().queri);
}

INSTANTIATE_TEST_SUITE_P(
    Files, CodeFile,
    ::testing::Values(
        QueryCase{"Query 1What is x?\r\nassignment 4\r\nplain\r\n", "What is x?query\r\nassignment 4\r\nplain\r\n", 17},
        QueryCase{"query \r\nquery x\r\nquery xy\r\n", "query\r\nquery\r\nyquery\r\n", 6},
        QueryCase{"query\r\nqueryx rest\r\nQUERY abc\r\n", "query\r\nqueryx rest\r\nbcquery\r\n", 5},
        QueryCase{"ASSIGNMENT 7\r\nassign\r\nassig\r\n\r\n  query x\r\n",
                  "ASSIGNMENT 7\r\nassign\r\nassig\r\n\r\n  query x\r\n", 12},
        QueryCase{"no line end", "no line end\r\n", 11},
        QueryCase{"\r\nquery  two blanks\r\n", "\r\ntwo blanksquery\r\n", 0}));

TEST(CodeFileFailure, MissingOrEmptyQueryFileCreatesNoQueriFile) {
    QueryRig missing;
    EXPECT_EQ(missing.errorOfCodeFile(), err::FileNotFound);
    EXPECT_FALSE(fs::exists(missing.home("queri.txt")));

    QueryRig empty;
    writeFile(empty.home("query.txt"), "");
    EXPECT_EQ(empty.errorOfCodeFile(), err::InputPastEnd);
    EXPECT_FALSE(fs::exists(empty.home("queri.txt")));
    EXPECT_EQ(empty.state.codeNbr, 23);
}

TEST(CodeFileChannels, OtherOpenChannelsAreClosedFirst) {
    QueryRig rig;
    writeFile(rig.home("query.txt"), "one\r\n");
    rig.files->openAppend(3, "c:\\tarnholm\\notes_x.txt");
    rig.files->print(3, "kept");
    EXPECT_EQ(rig.errorOfCodeFile(), 0);
    EXPECT_FALSE(rig.files->isOpen(3));
    EXPECT_EQ(readFile(rig.home("notes_x.txt")), "kept\r\n");
}

}  // namespace
}  // namespace drill::testing
