// The program-wide pseudo-random generator: a 32-bit linear congruential
// generator, state <- state * 134775813 + 1 (mod 2^32); a draw in [0, N) is
// the upper 32 bits of the 64-bit product state * N.
#pragma once

#include <cstdint>

namespace vt {

class Random {
  public:
    // The one generator of the program; its state starts at 0.
    static Random& global();

    std::uint32_t seed() const { return seed_; }
    void setSeed(std::uint32_t s) { seed_ = s; }
    // Seeds from the clock.
    void randomize();

    // Uniform integer in [0, n); 0 for n <= 0 (the state still advances).
    std::int32_t next(std::int32_t n) {
        seed_ = seed_ * 134775813u + 1u;
        if (n <= 0) return 0;
        return std::int32_t((std::uint64_t(seed_) * std::uint64_t(std::uint32_t(n))) >> 32);
    }

  private:
    std::uint32_t seed_ = 0;
};

} // namespace vt
