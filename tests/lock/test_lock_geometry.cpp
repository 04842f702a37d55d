// Panel and banner placement, the banner's motion over whole passes, and the snapshot's
// extent, on the screens the lock window meets.

#include "lock/lock_geometry.h"
#include "support/check.h"

#include <string>

namespace {

using namespace lockgeo;

constexpr double kPanelW = 4245, kPanelH = 1320, kLabelW = 8895, kLabelH = 495;

void testPanelPosition() {
    struct Row {
        double w, h, left, top;
    } rows[] = {
        {15360, 11520, 5557.5, 5100},  // 1024 x 768 at 15 twips per pixel
        {28800, 16200, 12277.5, 7440}, // 1920 x 1080
        {15360, 1321, 5557.5, 0},      // one twip of room: 1 \ 2 = 0
        {15360, 1323, 5557.5, 1},      // 3 \ 2 = 1
        {15360, 1320.5, 5557.5, 0},    // 0.5 rounds to the even 0
        {15360, 1321.5, 5557.5, 1},    // 1.5 rounds to the even 2, halved to 1
        {4000, 1000, -122.5, -160},    // smaller than the panel: truncated toward zero
        {4000, 999, -122.5, -160},     // -321 \ 2 = -160
    };
    for (const Row& r : rows) {
        const TwipsPoint p = panelPosition(r.w, r.h, kPanelW, kPanelH);
        CHECK_EQ(p.left, r.left);
        CHECK_EQ(p.top, r.top);
    }
}

void testBannerStart() {
    struct Row {
        double w, h, left, top;
    } rows[] = {
        {15360, 11520, 15360, 5512}, // (11520 - 495) \ 2
        {28800, 16200, 28800, 7852}, {15360, 496, 15360, 0},
        {15360, 498.5, 15360, 2}, // 3.5 rounds to 4
        {15360, 497.5, 15360, 1}, // 2.5 rounds to 2
    };
    for (const Row& r : rows) {
        const TwipsPoint b = bannerStart(r.w, r.h, kLabelH);
        CHECK_EQ(b.left, r.left);
        CHECK_EQ(b.top, r.top);
    }
}

// Runs steps from the start position until the banner wraps; reports the step (1-based)
// whose caption first reads "Enter", the caption at each step and the pass length.
struct Pass {
    int switchStep = 0;
    int length = 0;
    bool enterUntilWrap = true;
    double leftAfterWrap = 0;
};

Pass runPass(double S, double tpp) {
    const TwipsPoint panel = panelPosition(S, 11520, kPanelW, kPanelH);
    BannerState state{kBannerLocked, S};
    Pass pass;
    for (int step = 1; step < 10000; ++step) {
        const double before = state.left;
        state = bannerStep(state, kLabelW, panel.left, kPanelW, S, tpp);
        if (pass.switchStep == 0 && state.caption == kBannerEnter)
            pass.switchStep = step;
        else if (pass.switchStep != 0 && state.caption != kBannerEnter)
            pass.enterUntilWrap = false;
        if (state.left > before) {
            pass.length = step;
            pass.leftAfterWrap = state.left;
            return pass;
        }
        CHECK_EQ(state.left, before - 10 * tpp);
    }
    return pass;
}

void testWholePassOn1024() {
    const Pass pass = runPass(15360, 15);
    // Right end at or left of S - 377.5: 15360 - 150k + 8895 <= 14982.5 first at k = 62,
    // so the caption changes on the 63rd step (its test uses the position before the move).
    CHECK_EQ(pass.switchStep, 63);
    CHECK(pass.enterUntilWrap);
    // (1024 + 593) / 10: the right end passes the left edge on the 162nd move.
    CHECK_EQ(pass.length, 162);
    CHECK_EQ(pass.leftAfterWrap, 15360.0);
}

void testCaptionRules() {
    const double S = 15360, P = 5557.5, Q = kPanelW;
    struct Row {
        const char* before;
        double left;
        const char* after;
        double newLeft;
    } rows[] = {
        {kBannerEnter, 15360, kBannerLocked, 15210},   // entering: only the first test holds
        {kBannerLocked, 6087.5, kBannerEnter, 5937.5}, // right end exactly on the threshold
        {kBannerLocked, 6088, kBannerLocked, 5938},    // half a twip outside it
        {kBannerLocked, 907.5, kBannerEnter, 757.5},   // right end on the panel's right edge
        {kBannerLocked, 0, kBannerEnter, -150},        // past the panel: the second test only
        {kBannerEnter, -8745, kBannerEnter, -8895},    // right end lands on 0: not yet off
        {kBannerEnter, -8746, kBannerEnter, 15360},    // right end below 0: wraps to S
    };
    for (const Row& r : rows) {
        const BannerState next = bannerStep({r.before, r.left}, kLabelW, P, Q, S, 15);
        CHECK_EQ(next.caption, std::string(r.after));
        CHECK_EQ(next.left, r.newLeft);
    }
    // Neither test holds: the caption is left as it was.
    const BannerState odd = bannerStep({"other", 4500}, 100, 5000, 100, 3000, 15);
    CHECK_EQ(odd.caption, std::string("other"));
}

void testSinglePrecision() {
    // A twip apart in double, equal once stored as single: the first test holds.
    const double P = 16777216, L = 16777217;
    const BannerState next = bannerStep({kBannerEnter, L - 1.25}, 0, P, 0.75, 0, 15);
    CHECK_EQ(next.caption, std::string(kBannerLocked));
}

void testCaptureExtent() {
    struct Row {
        double twips, tpp;
        long pixels;
    } rows[] = {
        {15360, 15, 1024}, {11520, 15, 768},    {28800, 15, 1920},
        {15367, 15, 1024}, {15374.5, 15, 1024}, // 15374.5 rounds to 15374
        {15375, 15, 1025}, {1440, 14.5, 102},   // 14.5 rounds to 14
        {1440, 15.5, 90},                       // 15.5 rounds to 16
        {0, 15, 0},        {100, 0, 0},         {-30, 15, 0},
    };
    for (const Row& r : rows)
        CHECK_EQ(captureExtent(r.twips, r.tpp), r.pixels);
}

} // namespace

int main() {
    testPanelPosition();
    testBannerStart();
    testWholePassOn1024();
    testCaptionRules();
    testSinglePrecision();
    testCaptureExtent();
    return checkSummary("test_lock_geometry");
}
