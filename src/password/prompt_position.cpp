#include "password/prompt_position.h"

#include <cmath>

TwipsPoint promptPosition(double screenWidth, double screenHeight, double formLeft,
                          double formTop) {
    return {std::nearbyint(screenWidth / 3 + formLeft), std::nearbyint(screenHeight / 3 + formTop)};
}
