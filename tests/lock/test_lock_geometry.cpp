// Panel and banner placement, the banner's motion over a whole pass, and the snapshot's
// extent.

#include "lock/lock_geometry.h"
#include "support/check.h"

#include <string>

namespace {

using namespace lockgeo;

constexpr double kPanelW = 4245, kPanelH = 1320, kLabelW = 8895, kLabelH = 495;

void testPlacement() {
    const struct {
        double w, h, panelLeft, panelTop, bannerTop;
    } rows[] = {
        {15360, 11520, 5557.5, 5100, 5512}, // 1024 x 768 at 15 twips per pixel
        {15360, 1321, 5557.5, 0, 413},      // 1 \ 2 drops the remainder
        {15360, 1321.5, 5557.5, 1, 413},    // rounded to 2 before halving
        {15360, 498.5, 5557.5, -411, 2},    // -821.5 and 3.5 round to -822 and 4
        {4000, 999, -122.5, -160, 252},     // -321 \ 2 truncates toward zero
    };
    for (const auto& r : rows) {
        const TwipsPoint p = panelPosition(r.w, r.h, kPanelW, kPanelH);
        CHECK_EQ(p.left, r.panelLeft);
        CHECK_EQ(p.top, r.panelTop);
        const TwipsPoint b = bannerStart(r.w, r.h, kLabelH);
        CHECK_EQ(b.left, r.w);
        CHECK_EQ(b.top, r.bannerTop);
    }
}

void testWholePassOn1024() {
    const double S = 15360, P = panelPosition(S, 11520, kPanelW, kPanelH).left;
    BannerState state{kBannerLocked, S};
    int switchStep = 0, step = 1;
    for (;; ++step) {
        const double before = state.left;
        state = bannerStep(state, kLabelW, P, kPanelW, S, 15);
        if (switchStep == 0 && state.caption == kBannerEnter)
            switchStep = step;
        CHECK_EQ(state.caption, std::string(switchStep ? kBannerEnter : kBannerLocked));
        if (state.left > before || step > 1000)
            break;
        CHECK_EQ(state.left, before - 150);
    }
    // Right end at or left of S - 377.5: 15360 - 150k + 8895 <= 14982.5 first at k = 62,
    // so the caption changes on the 63rd step (its test uses the position before the move).
    CHECK_EQ(switchStep, 63);
    // (1024 + 593) / 10: the right end passes the left edge on the 162nd move.
    CHECK_EQ(step, 162);
    CHECK_EQ(state.left, S);
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
        {kBannerEnter, -8745, kBannerEnter, -8895},    // right end lands on 0: not yet off
        {kBannerEnter, -8746, kBannerEnter, 15360},    // right end below 0: wraps to S
    };
    for (const Row& r : rows) {
        const BannerState next = bannerStep({r.before, r.left}, kLabelW, P, Q, S, 15);
        CHECK_EQ(next.caption, std::string(r.after));
        CHECK_EQ(next.left, r.newLeft);
    }
    // Neither test holds: the caption is left as it was.
    CHECK_EQ(bannerStep({"other", 4500}, 100, 5000, 100, 3000, 15).caption, std::string("other"));
    // Under a twip apart in double, equal once stored as single: the first test holds.
    const double big = 16777216;
    CHECK_EQ(bannerStep({kBannerEnter, big}, 0, big, 0.75, 0, 15).caption,
             std::string(kBannerLocked));
}

void testCaptureExtent() {
    struct Row {
        double twips, tpp;
        long pixels;
    } rows[] = {
        {15360, 15, 1024}, {15374.5, 15, 1024}, // 15374.5 rounds to 15374
        {1440, 14.5, 102},                      // 14.5 rounds to 14
        {1440, 15.5, 90},                       // 15.5 rounds to 16
        {100, 0, 0},       {-30, 15, 0},
    };
    for (const Row& r : rows)
        CHECK_EQ(captureExtent(r.twips, r.tpp), r.pixels);
}

} // namespace

int main() {
    testPlacement();
    testWholePassOn1024();
    testCaptionRules();
    testCaptureExtent();
    return checkSummary("test_lock_geometry");
}
