#include "platform/random.h"

#include <array>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace drill {
namespace {

std::vector<float> drawsAfterSeed(double seed, int n) {
    auto g = makeGenerator();
    g->seed(seed);
    std::vector<float> out;
    for (int i = 0; i < n; ++i) out.push_back(g->draw());
    return out;
}

TEST(Generator, DrawsLieInTheHalfOpenUnitIntervalAndSpreadEvenly) {
    auto g = makeGenerator();
    g->seed(38250.5);
    constexpr int kDraws = 200000;
    std::array<int, 10> buckets{};
    double sum = 0;
    for (int i = 0; i < kDraws; ++i) {
        const float r = g->draw();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
        // The largest key and cover code come from r close to 1; scaled up they must stay below the bound.
        ASSERT_LT(static_cast<int>(r * 28.0f), 28);
        ++buckets[static_cast<std::size_t>(r * 10.0f)];
        sum += r;
    }
    EXPECT_NEAR(sum / kDraws, 0.5, 0.01);
    for (int b : buckets) EXPECT_NEAR(b, kDraws / 10, kDraws / 100);
}

TEST(Generator, SameSeedSameSequence) {
    for (double seed : {0.0, 1.0, 38250.5, 86399.99, -5.0})
        EXPECT_EQ(drawsAfterSeed(seed, 50), drawsAfterSeed(seed, 50)) << seed;
}

TEST(Generator, DifferentSeedsDiffer) {
    const double seeds[] = {0.0, 1.0, 2.0, 38250.5, 38250.51, 86399.99, -1.0};
    for (double a : seeds)
        for (double b : seeds)
            if (a != b) {
                EXPECT_NE(drawsAfterSeed(a, 20), drawsAfterSeed(b, 20)) << a << " vs " << b;
            }
}

TEST(Generator, MinusZeroIsTheSameSeedAsZero) {
    EXPECT_EQ(drawsAfterSeed(-0.0, 20), drawsAfterSeed(0.0, 20));
}

TEST(Generator, ReseedingStartsOver) {
    auto g = makeGenerator();
    g->seed(12.25);
    const float first = g->draw();
    const float second = g->draw();
    EXPECT_NE(first, second);
    g->seed(12.25);
    EXPECT_EQ(g->draw(), first);
    EXPECT_EQ(g->draw(), second);
}

TEST(Generator, DrawsAreWholeMultiplesOfTwoToTheMinus24) {
    auto g = makeGenerator();
    g->seed(7);
    for (int i = 0; i < 10000; ++i) {
        const double scaled = static_cast<double>(g->draw()) * 16777216.0;
        ASSERT_EQ(scaled, std::floor(scaled));
    }
}

}  // namespace
}  // namespace drill
