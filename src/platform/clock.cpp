#include "platform/clock.h"

#include <cstdio>
#include <ctime>

#ifdef _WIN32
#include <windows.h>
#endif

namespace drill {

namespace {

class SystemClock : public Clock {
public:
    std::string dateText() override {
        const std::tm t = now().local;
        char buf[32];
        std::snprintf(buf, sizeof buf, "%02d-%02d-%04d", t.tm_mon + 1, t.tm_mday, t.tm_year + 1900);
        return buf;
    }

    std::string timeText() override {
        const std::tm t = now().local;
        char buf[32];
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
        return buf;
    }

    float secondsSinceMidnight() override {
        const Now n = now();
        const double whole = n.local.tm_hour * 3600.0 + n.local.tm_min * 60.0 + n.local.tm_sec;
        return static_cast<float>(whole + static_cast<double>(n.nanoseconds) / 1e9);
    }

private:
    struct Now {
        std::tm local{};
        long nanoseconds = 0;
    };

    static Now now() {
        Now n;
#ifdef _WIN32
        SYSTEMTIME t{};
        GetLocalTime(&t);
        n.local.tm_year = t.wYear - 1900;
        n.local.tm_mon = t.wMonth - 1;
        n.local.tm_mday = t.wDay;
        n.local.tm_hour = t.wHour;
        n.local.tm_min = t.wMinute;
        n.local.tm_sec = t.wSecond;
        n.nanoseconds = t.wMilliseconds * 1000000L;
#else
        timespec ts{};
        clock_gettime(CLOCK_REALTIME, &ts);
        localtime_r(&ts.tv_sec, &n.local);
        n.nanoseconds = ts.tv_nsec;
#endif
        return n;
    }
};

}  // namespace

std::unique_ptr<Clock> makeSystemClock() { return std::make_unique<SystemClock>(); }

}  // namespace drill
