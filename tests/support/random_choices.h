// random_choices.h — seeded random choices for the generators of random test inputs: the same seed, the same input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace peltatxt::testing {

class RandomChoices {
public:
    explicit RandomChoices(uint32_t seed) : rng_(seed) {}
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(int percent) { return pick(1, 100) <= percent; }
    template <std::size_t N>
    std::u16string one_of(const std::u16string_view (&options)[N]) {
        return std::u16string(options[static_cast<std::size_t>(pick(0, static_cast<int>(N) - 1))]);
    }

private:
    std::mt19937 rng_;
};

}  // namespace peltatxt::testing
