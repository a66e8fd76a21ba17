#include "platform/random.h"

#include <chrono>

namespace vt {

Random& Random::global() {
    static Random instance;
    return instance;
}

void Random::randomize() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    seed_ = std::uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

} // namespace vt
