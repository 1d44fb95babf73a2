#include "platform/random.h"

#include <cstdint>
#include <cstring>

namespace drill {

namespace {

std::uint64_t splitmix64(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

// xoshiro256**, its state filled from the seed by splitmix64.
class Generator : public Random {
public:
    Generator() { seed(0.0); }

    void seed(double seed) override {
        std::uint64_t bits;
        std::memcpy(&bits, &seed, sizeof bits);
        if (seed == 0.0) bits = 0;  // -0 and 0 are the same seed
        std::uint64_t x = bits;
        for (std::uint64_t& word : s_) word = splitmix64(x);
    }

    float draw() override {
        // 24 bits fit a float's mantissa exactly, so r never rounds up to 1.
        const std::uint64_t bits = next() >> 40;
        return static_cast<float>(bits) / 16777216.0f;
    }

private:
    std::uint64_t next() {
        const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
        const std::uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = rotl(s_[3], 45);
        return result;
    }

    std::uint64_t s_[4]{};
};

}  // namespace

std::unique_ptr<Random> makeGenerator() { return std::make_unique<Generator>(); }

}  // namespace drill
