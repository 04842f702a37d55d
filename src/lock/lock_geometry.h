#pragma once
// Where the lock window puts its panel and banner, how the banner moves, and how much of
// the screen the snapshot copies. Plain arithmetic in twips; the window converts to
// pixels with the screen's twips-per-pixel factors.

#include <string>

namespace lockgeo {

extern const char* const kBannerLocked; // "The desktop is locked."
extern const char* const kBannerEnter;  // "Enter password to unlock."

struct TwipsPoint {
    double left = 0;
    double top = 0;
};

// Half-to-even rounding to a whole number, then division by 2 dropping the remainder.
long halfOfRounded(double twips);

// The panel centred on the screen: left keeps its fraction, top is whole.
TwipsPoint panelPosition(double screenWidth, double screenHeight, double panelWidth,
                         double panelHeight);

// The banner's starting place: just beyond the right edge, vertically centred.
TwipsPoint bannerStart(double screenWidth, double screenHeight, double labelHeight);

struct BannerState {
    std::string caption;
    double left = 0;
};

// One banner step from caption and left L, with width W, panel left P and width Q and
// screen width S (twips). Comparisons are made in single precision, as the positions are
// stored. Returns the new caption and left.
BannerState bannerStep(const BannerState& now, double W, double P, double Q, double S,
                       double twipsPerPixel);

// The banner's and the password box's designed sizes (the box's place inside the panel)
// and the banner's step interval.
constexpr double kBannerWidth = 8895, kBannerHeight = 495;
constexpr double kBoxLeft = 200, kBoxTop = 430, kBoxWidth = 3855, kBoxHeight = 285;
constexpr int kBannerIntervalMs = 75;

struct TwipsSize {
    double width = 0;
    double height = 0;
};

// One screen of a lock: where its panel and its banner stand, and the banner's steps.
// The panel is centred; the banner starts just beyond the right edge, on the screen's
// middle line, reading kBannerLocked.
class LockFace {
public:
    LockFace(TwipsSize screen, double twipsPerPixelX, TwipsSize panel, TwipsSize banner);
    // The screen changed size: the panel is centred again and the banner put on the new
    // middle line, keeping its place along it.
    void fit(TwipsSize screen);
    // One banner step (every kBannerIntervalMs).
    void step();
    TwipsPoint panel() const { return panel_; }
    TwipsPoint banner() const { return {banner_.left, bannerTop_}; }
    const std::string& caption() const { return banner_.caption; }

private:
    TwipsSize screen_, panelSize_, bannerSize_;
    double twipsPerPixel_;
    TwipsPoint panel_;
    BannerState banner_;
    double bannerTop_ = 0;
};

// Pixels copied along one axis of the snapshot: the extent in twips rounded, divided by
// the rounded twips-per-pixel factor, remainder dropped. Never negative.
long captureExtent(double twips, double twipsPerPixel);

} // namespace lockgeo
