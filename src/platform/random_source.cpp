#include "platform/random_source.h"

#include <cstdint>

namespace {

constexpr uint32_t kSeed = 327680;
constexpr uint32_t kModulusMask = (1u << 24) - 1;
uint32_t state = kSeed;

} // namespace

float nextRandom() {
    state = (state * 1140671485u + 12820163u) & kModulusMask;
    return static_cast<float>(state) / static_cast<float>(1u << 24);
}

void resetRandomSource() {
    state = kSeed;
}
