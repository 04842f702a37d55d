#include "update/window_origin.h"

TwipsOrigin upgradeWindowOrigin(double screenWidth, double screenHeight, double windowWidth,
                                double windowHeight) {
    return {(screenWidth - windowWidth) / 2, (screenHeight - windowHeight) / 3};
}
