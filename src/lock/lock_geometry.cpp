#include "lock/lock_geometry.h"

#include <cmath>

namespace lockgeo {

const char* const kBannerLocked = "The desktop is locked.";
const char* const kBannerEnter = "Enter password to unlock.";

namespace {
// Whole numbers round halves to the even neighbour (the default floating-point mode).
long wholeOf(double value) {
    return static_cast<long>(std::nearbyint(value));
}
} // namespace

long halfOfRounded(double twips) {
    return wholeOf(twips) / 2; // integer division truncates toward zero
}

TwipsPoint panelPosition(double screenWidth, double screenHeight, double panelWidth,
                         double panelHeight) {
    return {(screenWidth - panelWidth) / 2,
            static_cast<double>(halfOfRounded(screenHeight - panelHeight))};
}

TwipsPoint bannerStart(double screenWidth, double screenHeight, double labelHeight) {
    return {screenWidth, static_cast<double>(halfOfRounded(screenHeight - labelHeight))};
}

BannerState bannerStep(const BannerState& now, double W, double P, double Q, double S,
                       double twipsPerPixel) {
    const float l = static_cast<float>(now.left);
    const float w = static_cast<float>(W);
    const float panelRight = static_cast<float>(P) + static_cast<float>(Q);
    const float s = static_cast<float>(S);
    BannerState next = now;
    if (panelRight <= l + w)
        next.caption = kBannerLocked;
    if (panelRight + s / 2 - 2500.0f >= l + w)
        next.caption = kBannerEnter;
    float moved = l - 10.0f * static_cast<float>(twipsPerPixel);
    if (moved + w < 0)
        moved = s;
    next.left = moved;
    return next;
}

LockFace::LockFace(TwipsSize screen, double twipsPerPixelX, TwipsSize panel, TwipsSize banner)
    : panelSize_(panel), bannerSize_(banner), twipsPerPixel_(twipsPerPixelX) {
    banner_.caption = kBannerLocked;
    fit(screen);
    banner_.left = bannerStart(screen.width, screen.height, banner.height).left;
}

void LockFace::fit(TwipsSize screen) {
    screen_ = screen;
    panel_ = panelPosition(screen.width, screen.height, panelSize_.width, panelSize_.height);
    bannerTop_ = bannerStart(screen.width, screen.height, bannerSize_.height).top;
}

void LockFace::step() {
    banner_ = bannerStep(banner_, bannerSize_.width, panel_.left, panelSize_.width, screen_.width,
                         twipsPerPixel_);
}

long captureExtent(double twips, double twipsPerPixel) {
    const long divisor = wholeOf(twipsPerPixel);
    const long extent = wholeOf(twips);
    if (divisor <= 0 || extent <= 0)
        return 0;
    return extent / divisor;
}

} // namespace lockgeo
