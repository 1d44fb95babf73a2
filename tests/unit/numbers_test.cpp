#include "platform/numbers.h"

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "platform/errors.h"

namespace drill {
namespace {

struct ValCase {
    std::string text;
    double expected;
};

class ValTest : public ::testing::TestWithParam<ValCase> {};

TEST_P(ValTest, ReadsLongestLeadingNumber) {
    const ValCase& c = GetParam();
    EXPECT_EQ(val(c.text), c.expected) << "text: [" << c.text << "]";
}

INSTANTIATE_TEST_SUITE_P(
    Table, ValTest,
    ::testing::Values(ValCase{"007", 7}, ValCase{"12x", 12}, ValCase{"abc", 0}, ValCase{"", 0},
                      ValCase{" 2 ", 2}, ValCase{"2.0", 2}, ValCase{"02", 2}, ValCase{"-3", -3},
                      ValCase{"1 2", 12}, ValCase{"1e", 1}, ValCase{"1e+", 1}, ValCase{".5", 0.5},
                      ValCase{"-.5", -0.5}, ValCase{"+4", 4}, ValCase{"1.5e2", 150},
                      ValCase{"1 . 5 E - 2", 0.015}, ValCase{"2E3x", 2000}, ValCase{"3.", 3},
                      ValCase{".", 0}, ValCase{"-", 0}, ValCase{"--1", 0}, ValCase{"+-1", 0},
                      ValCase{"1.2.3", 1.2}, ValCase{"1e2e3", 100}, ValCase{"\t5", 0},
                      ValCase{"5\t6", 5}, ValCase{"1e-999", 0}, ValCase{"0e999", 0},
                      ValCase{"1,5", 1}, ValCase{"0.1", 0.1}));

TEST(Val, OverflowIsError6) {
    for (const char* text : {"1e999", "-1e999", "1e309", "9 9 9e999"}) {
        try {
            val(text);
            ADD_FAILURE() << text << " did not fail";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), err::Overflow) << text;
        }
    }
}

TEST(Val, LargestDoubleStillReads) {
    EXPECT_EQ(val("1.7976931348623157e308"), std::numeric_limits<double>::max());
}

struct TextCase {
    double value;
    std::string text;
};

class NumberTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(NumberTextTest, ShortestDecimal) {
    EXPECT_EQ(numberText(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, NumberTextTest,
    ::testing::Values(TextCase{0, "0"}, TextCase{-0.0, "0"}, TextCase{1, "1"}, TextCase{-1, "-1"},
                      TextCase{0.5, ".5"}, TextCase{-0.25, "-.25"}, TextCase{10000, "10000"},
                      TextCase{120000, "120000"}, TextCase{1e15, "1E+15"}, TextCase{1.5e20, "1.5E+20"},
                      TextCase{1e100, "1E+100"}, TextCase{-2.5e15, "-2.5E+15"},
                      TextCase{123456789012345, "123456789012345"},
                      TextCase{999999999999999, "999999999999999"},
                      // Rounds to 15 digits and so reaches the exponent form.
                      TextCase{999999999999999.9, "1E+15"}, TextCase{0.1 + 0.2, ".3"},
                      TextCase{1e-16, "1E-16"}, TextCase{1e-15, ".000000000000001"},
                      TextCase{2.0 / 3.0, ".666666666666667"}, TextCase{0.001, ".001"},
                      TextCase{12.5, "12.5"}, TextCase{-1234.0625, "-1234.0625"},
                      TextCase{1e-300, "1E-300"}, TextCase{3.14159265358979, "3.14159265358979"},
                      TextCase{100.000000000000001, "100"}));

TEST(NumberItem, LeadingBlankOnlyForNonNegative) {
    EXPECT_EQ(numberItem(5), " 5 ");
    EXPECT_EQ(numberItem(0), " 0 ");
    EXPECT_EQ(numberItem(-5), "-5 ");
    EXPECT_EQ(numberItem(0.5), " .5 ");
    EXPECT_EQ(numberItem(-0.25), "-.25 ");
}

TEST(NumberText, NonFiniteValuesDoNotCrash) {
    EXPECT_FALSE(numberText(std::numeric_limits<double>::quiet_NaN()).empty());
    EXPECT_NE(numberText(std::numeric_limits<double>::infinity()),
              numberText(-std::numeric_limits<double>::infinity()));
}

TEST(NumberText, RoundTripsThroughVal) {
    for (double v : {1.0 / 3.0, -7.125, 6.02214076e23, 1.25e-20, 42.0, 0.0001})
        EXPECT_NEAR(val(numberText(v)), v, std::fabs(v) * 1e-14) << v;
}

struct RoundCase {
    double value;
    double expected;
};

TEST(RoundHalfEven, HalvesGoToEvenNeighbour) {
    const RoundCase cases[] = {{0.5, 0},   {1.5, 2},   {2.5, 2},   {3.5, 4},   {-0.5, -0}, {-1.5, -2},
                               {-2.5, -2}, {2.4, 2},   {2.6, 3},   {-2.6, -3}, {255.5, 256},
                               {28.5, 28}, {0.49999999999999994, 0}, {7, 7}};
    for (const RoundCase& c : cases) EXPECT_EQ(roundHalfEven(c.value), c.expected) << c.value;
}

}  // namespace
}  // namespace drill
