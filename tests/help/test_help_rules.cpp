// The help window's placement and layout arithmetic and the about box's link rules.

#include "help/help_layout.h"
#include "help/link_rules.h"
#include "support/check.h"

#include <optional>

namespace {

constexpr double kClose = 1215; // the Close button's width
const std::optional<double> none;

void testPlacement() {
    const struct { double screen, left; } table[] = {{12000, 3675}, {8325, 0}, {8000, -325}};
    for (const auto& row : table) {
        const WindowPlacement place = helpWindowPlacement(row.screen);
        CHECK_EQ(place.left, row.left);
        CHECK_EQ(place.top, 0.0);
        CHECK_EQ(place.width, 8325.0);
        CHECK_EQ(place.height, 7860.0);
    }
}

void testLayout() {
    const struct {
        double window[2], browser[2];
        std::optional<double> width, height, left, top;
    } table[] = {
        // As the window opens.
        {{8325, 7860}, {0, 0}, 8225, 7060, 6910, 7160},
        {{6000, 3000}, {8225, 7060}, 5900, 2200, 4585, 2300},
        // Exactly as small as the rule allows: zero sizes are fine.
        {{100, 800}, {8225, 7060}, 0, 0, -1315, 100},
        // Too low: the browser keeps its height and the button its top.
        {{8325, 799}, {8225, 7060}, 8225, none, 6910, 7160},
        {{6000, 0}, {3000, 2500}, 5900, none, 4585, 2600},
        // Too narrow: the browser keeps its width, the button its left.
        {{99, 7860}, {8225, 7060}, none, 7060, 6910, 7160},
        // Both: nothing moves.
        {{40, 300}, {5900, 2200}, none, none, 4585, 2300},
    };
    for (const auto& row : table) {
        const HelpLayout layout =
            helpLayout(row.window[0], row.window[1], row.browser[0], row.browser[1], kClose);
        CHECK(layout.browserWidth == row.width);
        CHECK(layout.browserHeight == row.height);
        CHECK(layout.closeLeft == row.left);
        CHECK(layout.closeTop == row.top);
    }
}

void testPointOnLink() {
    const struct {
        float x, y;
        bool on;
    } table[] = {
        {0, 0, true},        {2055, 195, true},     {1000, 100, true}, {2055.5f, 100, false},
        {-0.5f, 100, false}, {1000, 195.5f, false}, {1000, -1, false},
    };
    for (const auto& row : table)
        CHECK_EQ(pointOnLink(row.x, row.y, 2055, 195), row.on);
}

void testLinkColour() {
    CHECK_EQ(linkColour(10, 10, 100, 20), kLinkHoverColour);
    CHECK_EQ(linkColour(100, 20, 100, 20), kLinkHoverColour);
    CHECK_EQ(linkColour(101, 10, 100, 20), kLinkNormalColour);
    // Given colours win over the usual ones; a missing one falls back alone.
    CHECK_EQ(linkColour(10, 10, 100, 20, 0x111111u, 0x222222u), 0x222222u);
    CHECK_EQ(linkColour(-1, 10, 100, 20, 0x111111u, 0x222222u), 0x111111u);
    CHECK_EQ(linkColour(-1, 10, 100, 20, std::nullopt, 0x222222u), kLinkNormalColour);
    CHECK_EQ(linkColour(10, 10, 100, 20, 0x111111u, std::nullopt), kLinkHoverColour);
}

void testRgb() {
    const struct {
        Colorref colour;
        Rgb rgb;
    } table[] = {
        {kLinkNormalColour, {32, 72, 134}}, {kLinkHoverColour, {0, 0, 255}},
        {kLinkDesignColour, {0, 0, 128}},   {0x000000FF, {255, 0, 0}},
        {0x0000FF00, {0, 255, 0}},
    };
    for (const auto& row : table) {
        const Rgb rgb = rgbOf(row.colour);
        CHECK_EQ(rgb.red, row.rgb.red);
        CHECK_EQ(rgb.green, row.rgb.green);
        CHECK_EQ(rgb.blue, row.rgb.blue);
    }
}

} // namespace

int main() {
    testPlacement();
    testLayout();
    testPointOnLink();
    testLinkColour();
    testRgb();
    return checkSummary("test_help_rules");
}
