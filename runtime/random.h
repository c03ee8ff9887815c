// The random generator: a linear congruential generator reseeded from the millisecond tick
// count, with an accumulator that keeps seeds taken within the same tick apart.
#pragma once

#include <cstdint>

namespace love::runtime {

class RandomGenerator {
public:
    // Seeds the generator from the tick count plus the accumulator and advances the
    // accumulator, so two reseeds in the same millisecond start from seeds 100 to 355 apart.
    void reseed(std::uint32_t tickCount);
    // A value from min to max, both inclusive. Bounds below 0 count as 0 and swapped bounds are
    // put in order; equal bounds give that bound without stepping the generator.
    std::int32_t draw(std::int32_t min, std::int32_t max);

    std::uint32_t state() const { return state_; }
    std::uint32_t accumulator() const { return accumulator_; }
    void setState(std::uint32_t state) { state_ = state; }

private:
    // One step of the generator: a value from 0 to 32767.
    std::uint32_t step();

    std::uint32_t state_ = 0;
    std::uint32_t accumulator_ = 0;
};

}  // namespace love::runtime
