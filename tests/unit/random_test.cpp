#include "runtime/random.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <set>
#include <utility>
#include <vector>

namespace {

using love::runtime::RandomGenerator;

TEST(RandomGenerator, ReseedsFromTickAndAccumulator) {
    RandomGenerator generator;
    generator.reseed(1000);
    EXPECT_EQ(generator.state(), 1000u);
    EXPECT_EQ(generator.accumulator(), 332u);
    EXPECT_EQ(generator.draw(1, 66), 5);

    // Same millisecond again: the accumulator keeps the seed apart.
    generator.reseed(1000);
    EXPECT_EQ(generator.state(), 1332u);
    EXPECT_EQ(generator.accumulator(), 484u);
    EXPECT_EQ(generator.draw(1, 66), 33);
}

TEST(RandomGenerator, StepsFromAGivenState) {
    RandomGenerator generator;
    generator.setState(0);
    EXPECT_EQ(generator.draw(0, 1920), 38);
    EXPECT_EQ(generator.state(), 2531011u);
}

TEST(RandomGenerator, TickCountWrapsModulo2To32) {
    RandomGenerator generator;
    generator.reseed(1000);  // accumulator 332
    generator.reseed(0xFFFFFF00u);
    EXPECT_EQ(generator.state(), 0x4Cu);                    // 0xFFFFFF00 + 332, wrapped
    EXPECT_EQ(generator.accumulator(), 332u + 0x4C + 100);  // low byte of the wrapped seed
}

TEST(RandomGenerator, SeedsInTheSameTickAreBetween100And355Apart) {
    RandomGenerator generator;
    generator.reseed(5);
    for (int i = 0; i < 1000; ++i) {
        const std::uint32_t previous = generator.state();
        generator.reseed(5);
        const std::uint32_t gap = generator.state() - previous;
        ASSERT_GE(gap, 100u);
        ASSERT_LE(gap, 355u);
    }
}

// Every value between the bounds is reachable, the bounds included, and nothing outside them.
TEST(RandomGenerator, BothBoundsAreInclusive) {
    struct Case {
        std::int32_t min, max;
    };
    for (const Case c : {Case{1, 66}, Case{0, 1920}, Case{0, 1}}) {
        RandomGenerator generator;
        std::set<std::int32_t> seen;
        generator.reseed(1000);
        for (int i = 0; i < 40000; ++i) {
            const std::int32_t value = generator.draw(c.min, c.max);
            ASSERT_GE(value, c.min);
            ASSERT_LE(value, c.max);
            seen.insert(value);
        }
        EXPECT_EQ(seen.size(), static_cast<std::size_t>(c.max - c.min + 1)) << c.min << ".." << c.max;
    }
}

TEST(RandomGenerator, EqualBoundsDoNotStep) {
    RandomGenerator generator;
    generator.setState(12345);
    EXPECT_EQ(generator.draw(5, 5), 5);
    EXPECT_EQ(generator.state(), 12345u);
    // Both bounds negative count as 0 and 0: equal, no step either.
    EXPECT_EQ(generator.draw(-5, -1), 0);
    EXPECT_EQ(generator.state(), 12345u);
}

// Draws that must behave exactly like another draw from the same state.
TEST(RandomGenerator, NormalisesBounds) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    const std::vector<std::pair<std::pair<std::int32_t, std::int32_t>, std::pair<std::int32_t, std::int32_t>>> cases = {
        {{66, 1}, {1, 66}},  // swapped
        {{-3, 2}, {0, 2}},   // a negative bound counts as 0
        {{2, -3}, {0, 2}},   // both at once
        {{kMin, kMax}, {0, kMax}},
    };
    for (const auto& [given, normal] : cases) {
        for (std::uint32_t state : {0u, 1u, 0xDEADBEEFu, 0xFFFFFFFFu}) {
            RandomGenerator a, b;
            a.setState(state);
            b.setState(state);
            EXPECT_EQ(a.draw(given.first, given.second), b.draw(normal.first, normal.second))
                << given.first << "," << given.second << " state " << state;
            EXPECT_EQ(a.state(), b.state());
        }
    }
}

TEST(RandomGenerator, WidestRangeYieldsOneStepsOutput) {
    // Range capped so that range + 1 does not overflow; the output is then the step itself.
    RandomGenerator generator;
    generator.setState(0);
    EXPECT_EQ(generator.draw(0, std::numeric_limits<std::int32_t>::max()), 38);
    generator.setState(0);
    EXPECT_EQ(generator.draw(1, std::numeric_limits<std::int32_t>::max()), 39);
}

}  // namespace
