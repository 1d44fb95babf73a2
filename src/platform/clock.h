#pragma once
#include <memory>
#include <string>

namespace drill {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::string dateText() = 0;          // mm-dd-yyyy
    virtual std::string timeText() = 0;          // hh:mm:ss, 24-hour clock
    virtual float secondsSinceMidnight() = 0;    // with fraction
};

std::unique_ptr<Clock> makeSystemClock();

}  // namespace drill
