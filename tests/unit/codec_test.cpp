#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "coding/codec.h"
#include "fakes.h"
#include "platform/errors.h"
#include "platform/random.h"

namespace drill::testing {
namespace {

std::string bytes(std::initializer_list<int> codes) {
    std::string s;
    for (int c : codes) s += static_cast<char>(c);
    return s;
}

TEST(Code, ReturnsItsTextUnchangedForEveryKey) {
    const std::vector<std::string> lines{"", "abc", "two\r\nlines", bytes({0, 32, 117, 255}), "  padded  "};
    for (float key = 0; key <= 28; ++key)
        for (const std::string& line : lines) EXPECT_EQ(code(line, key), line) << key;
}

TEST(Decode, MapsLowCodesUpHighCodesDownAndDropsTheBand) {
    struct Case {
        float key;
        std::string in, out;
    };
    for (const Case& c : std::vector<Case>{
             {20, bytes({217, 66, 218, 32, 219, 118}), "ab c"},
             {20, "", ""},
             {20, " ", " "},
             {19, "abc", ""},
             {28, bytes({66, 100, 117, 118}), ""},
             {20, "A", bytes({254})},
             {20, bytes({0}), bytes({189})},
             {20, bytes({120}), bytes({0})},
             {19, bytes({119}), bytes({0})},
             {20, bytes({255}), bytes({135})},
             {0, bytes({46}), bytes({255})},
             {20, std::string(3, ' ') + "A", "   " + bytes({254})},
         })
        EXPECT_EQ(decode(c.in, c.key), c.out) << c.key << " " << c.in;
}

TEST(Decode, CodeOutsideTheCodePageIsInvalidArgument) {
    struct Case {
        float key;
        std::string in;
    };
    for (const Case& c : std::vector<Case>{{20, bytes({119})},
                                           {28, bytes({127})},
                                           {20, "ab" + bytes({119})},
                                           {0, bytes({47})},
                                           {-1, bytes({46})},
                                           {std::nanf(""), "A"}}) {
        try {
            decode(c.in, c.key);
            ADD_FAILURE() << "no error for key " << c.key;
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), 5);
        }
    }
}

TEST(RemSpaces, RemovesOnlyBlanksAndHyphensKeepingOrder) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"graph - 1", "graph1"}, {"a b-c", "abc"}, {"- -", ""}, {"", ""},
        {"  -x-  ", "x"},        {"a\tb", "a\tb"}, {"a\r\nb", "a\r\nb"}, {"\xAD\x96", "\xAD\x96"}};
    for (const auto& [in, out] : cases) EXPECT_EQ(remSpaces(in), out) << in;
}

TEST(MakeCodeLine, FollowsTheDrawsPassByPass) {
    struct Case {
        float key;
        std::deque<float> draws;
        std::string line;
        int drawCount;
    };
    const float justBelowTenth = std::nextafter(0.1f, 0.0f);
    for (const Case& c : std::vector<Case>{
             {1, {0.5f, 0.0f}, "v", 2},
             {1, {0.5f, 0.99999994f}, bytes({255}), 2},
             {1, {0.05f, 0.0f, 0.0f}, "Bv", 3},
             {1, {0.1f, 0.0f}, "v", 2},
             {1, {justBelowTenth, 0.99999994f, 0.0f}, bytes({116, 118}), 3},
             {1, {0.0f, 0.25f, 0.5f}, bytes({78, 186}), 3},
             {1, {0.0f, 0.75f, 0.5f}, bytes({104, 186}), 3},
             {3, {0.5f, 0.0f, 0.05f, 0.0f, 0.0f, 0.5f, 0.99999994f}, bytes({118, 66, 118, 255}), 7},
             {2.5f, {0.5f}, bytes({186, 186}), 4},
             {0, {0.5f}, "", 0},
             {-4, {0.5f}, "", 0},
         }) {
        ScriptedRandom random;
        random.draws = c.draws;
        EXPECT_EQ(makeCodeLine(c.key, random), c.line) << c.key;
        EXPECT_EQ(random.drawCount, c.drawCount) << c.key;
    }
}

TEST(MakeCodeLine, CoverLinesStayInTheirBandsOverManyKeysAndSeeds) {
    std::unique_ptr<Random> random = makeGenerator();
    long passes = 0, fillers = 0;
    for (int seed = 0; seed < 300; ++seed) {
        random->seed(seed * 291.37);
        for (float key = 19; key <= 28; ++key) {
            const std::string line = makeCodeLine(key, *random);
            ASSERT_GE(line.size(), key);
            ASSERT_LE(line.size(), 2 * key);
            for (char ch : line) {
                const int c = static_cast<unsigned char>(ch);
                ASSERT_GE(c, 66);
                ASSERT_NE(c, 117);
                fillers += c < 117;
            }
            passes += static_cast<long>(key);
        }
    }
    // About one pass in ten carries a filler.
    EXPECT_GT(fillers, passes * 8 / 100);
    EXPECT_LT(fillers, passes * 12 / 100);
}

}  // namespace
}  // namespace drill::testing
