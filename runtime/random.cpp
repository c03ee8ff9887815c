#include "runtime/random.h"

#include <algorithm>
#include <utility>

namespace love::runtime {
namespace {

// The widest range whose count of values (range + 1) still fits a signed 32-bit word.
constexpr std::int64_t kWidestRange = 2147483646;

}  // namespace

void RandomGenerator::reseed(std::uint32_t tickCount) {
    const std::uint32_t seed = tickCount + accumulator_;  // unsigned: wraps modulo 2^32
    accumulator_ += (seed & 0xFFu) + 100u;
    state_ = seed;
}

std::uint32_t RandomGenerator::step() {
    state_ = state_ * 214013u + 2531011u;
    return (state_ >> 16) & 0x7FFFu;
}

std::int32_t RandomGenerator::draw(std::int32_t min, std::int32_t max) {
    min = std::max(min, 0);
    max = std::max(max, 0);
    if (min > max) std::swap(min, max);
    if (min == max) return min;
    const std::int64_t range = std::min<std::int64_t>(std::int64_t{max} - min, kWidestRange);
    return static_cast<std::int32_t>(min + static_cast<std::int64_t>(step()) % (range + 1));
}

}  // namespace love::runtime
