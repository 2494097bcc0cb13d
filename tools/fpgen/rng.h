// A small deterministic random source: the same seed gives the same numbers with every compiler
// and standard library (std:: distributions do not promise that).
#pragma once

#include <cmath>
#include <cstdint>

namespace fpgen {

inline uint64_t SplitMix64(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// xoshiro256** seeded through SplitMix64.
class Rng {
  public:
    explicit Rng(uint64_t seed) {
        for (uint64_t& word : s_) word = SplitMix64(seed);
    }

    uint64_t Next() {
        const uint64_t result = Rotl(s_[1] * 5, 7) * 9;
        const uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = Rotl(s_[3], 45);
        return result;
    }

    // Uniform in [0, 1).
    double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    double Uniform(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
    // Triangular on [-half, half], peaked at 0.
    double Triangular(double half) { return half * (Uniform() - Uniform()); }
    // Integer in [0, n).
    int Below(int n) { return static_cast<int>(Uniform() * n); }
    bool Chance(double p) { return Uniform() < p; }
    double Gaussian() {
        // Box-Muller; the uniform is kept away from 0 for the logarithm.
        const double u = 1.0 - Uniform();
        const double v = Uniform();
        return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * v);
    }

  private:
    static uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    uint64_t s_[4];
};

}  // namespace fpgen
