#pragma once

#include <cstdint>

namespace sim {

// SplitMix64: small, seedable and identical on every platform, so a seeded
// fault replays the same way everywhere.
class Prng {
public:
    explicit Prng(uint64_t seed = 0) : state_(seed) {}

    void seed(uint64_t seed) { state_ = seed; }

    uint64_t next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    bool bit() { return (next() >> 63) != 0; }

    // True with probability p; p outside [0, 1] (or NaN) is clamped.
    bool chance(double p)
    {
        if (!(p > 0.0))
            return false;
        if (p >= 1.0)
            return true;
        const double u = static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0);
        return u < p;
    }

private:
    uint64_t state_;
};

} // namespace sim
