#pragma once
#include <memory>

namespace drill {

// The one generator of the program: seeded once, each draw 0 <= r < 1.
class Random {
public:
    virtual ~Random() = default;
    virtual void seed(double seed) = 0;
    virtual float draw() = 0;
};

std::unique_ptr<Random> makeGenerator();

}  // namespace drill
