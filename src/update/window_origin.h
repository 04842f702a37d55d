#pragma once
// Where the upgrade window opens: centred across the screen, with a third of the height
// left over above it. All figures in twips.

struct TwipsOrigin {
    double left = 0;
    double top = 0;
};

TwipsOrigin upgradeWindowOrigin(double screenWidth, double screenHeight, double windowWidth,
                                double windowHeight);
