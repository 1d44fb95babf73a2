#include "platform/clock.h"

#include <cstdlib>
#include <ctime>
#include <regex>
#include <string>

#include <gtest/gtest.h>

namespace drill {
namespace {

int field(const std::string& s, std::size_t pos, std::size_t len) { return std::stoi(s.substr(pos, len)); }

TEST(SystemClock, FormatsAndAgreesWithTheCalendar) {
    auto clock = makeSystemClock();
    // Read twice around the clock's own readings so a second boundary between them cannot fool us.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const std::time_t before = std::time(nullptr);
        const std::string date = clock->dateText();
        const std::string time = clock->timeText();
        const float seconds = clock->secondsSinceMidnight();
        const std::time_t after = std::time(nullptr);
        if (before != after) continue;

        ASSERT_TRUE(std::regex_match(date, std::regex(R"(\d\d-\d\d-\d\d\d\d)"))) << date;
        ASSERT_TRUE(std::regex_match(time, std::regex(R"(\d\d:\d\d:\d\d)"))) << time;
        std::tm local{};
#ifdef _WIN32
        localtime_s(&local, &before);
#else
        localtime_r(&before, &local);
#endif
        EXPECT_EQ(field(date, 0, 2), local.tm_mon + 1);
        EXPECT_EQ(field(date, 3, 2), local.tm_mday);
        EXPECT_EQ(field(date, 6, 4), local.tm_year + 1900);
        EXPECT_EQ(field(time, 0, 2), local.tm_hour);
        EXPECT_EQ(field(time, 3, 2), local.tm_min);
        EXPECT_EQ(field(time, 6, 2), local.tm_sec);
        const int whole = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
        // Single precision keeps about 1/128 s near the end of the day.
        EXPECT_GE(seconds, whole - 0.01f);
        EXPECT_LT(seconds, whole + 1.01f);
        return;
    }
    FAIL() << "the second changed during every attempt";
}

}  // namespace
}  // namespace drill
