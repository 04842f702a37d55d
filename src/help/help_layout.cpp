#include "help/help_layout.h"

#include <algorithm>

WindowPlacement helpWindowPlacement(double screenWidth) {
    return {screenWidth - kHelpWindowWidth, 0, kHelpWindowWidth, kHelpWindowHeight};
}

namespace {
// A control cannot take a negative size; that assignment fails and is skipped.
std::optional<double> size(double value) {
    if (value < 0)
        return std::nullopt;
    return value;
}
} // namespace

HelpLayout helpLayout(double windowWidth, double windowHeight, double browserWidth,
                      double browserHeight, double closeWidth) {
    HelpLayout layout;
    layout.browserWidth = size(windowWidth - 100);
    layout.browserHeight = size(windowHeight - 800);
    const double width = layout.browserWidth.value_or(browserWidth);
    const double height = layout.browserHeight.value_or(browserHeight);
    layout.closeLeft = width - (closeWidth + 100);
    layout.closeTop = height + 100;
    return layout;
}

HelpLayout helpLayoutInside(double clientWidth, double clientHeight, double closeWidth,
                            double closeHeight) {
    constexpr double kMargin = 100;
    HelpLayout layout;
    layout.browserWidth = std::max(0.0, clientWidth - kMargin);
    layout.browserHeight = std::max(0.0, clientHeight - closeHeight - 2 * kMargin);
    layout.closeLeft = std::max(0.0, *layout.browserWidth - (closeWidth + kMargin));
    layout.closeTop = *layout.browserHeight + kMargin;
    return layout;
}
