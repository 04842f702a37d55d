#pragma once
// The help window's geometry in twips: where it opens, and how the browser and the Close
// button follow the window's size. Pure arithmetic so that it can be tested on its own.

#include <optional>

// The help window's outer size when it opens.
constexpr double kHelpWindowWidth = 8325;
constexpr double kHelpWindowHeight = 7860;

struct WindowPlacement {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

// The top right corner of a screen that wide.
WindowPlacement helpWindowPlacement(double screenWidth);

// The controls' new values, one per assignment of the layout. A value is missing when its
// assignment cannot be carried out (a size would become negative); the control then keeps
// what it had and the later assignments go on with it.
struct HelpLayout {
    std::optional<double> browserWidth;
    std::optional<double> browserHeight;
    std::optional<double> closeLeft;
    std::optional<double> closeTop;
};

// The browser fills the window but for a margin on the right and a strip at the bottom,
// where the button stands 100 twips below it, its right edge 100 twips left of the
// browser's. `browserWidth`/`browserHeight` are the browser's present size.
HelpLayout helpLayout(double windowWidth, double windowHeight, double browserWidth,
                      double browserHeight, double closeWidth);

// The same arrangement measured inside the window's frame, for window managers whose
// title bars and borders vary: the button keeps its margins inside the window at every
// size down to kHelpMinimumWidth x kHelpMinimumHeight, and the browser takes what is left.
constexpr double kHelpMinimumWidth = 3000;
constexpr double kHelpMinimumHeight = 2000;
HelpLayout helpLayoutInside(double clientWidth, double clientHeight, double closeWidth,
                            double closeHeight);
