#pragma once
// The password dialog's layout in twips, the one place its geometry and tab order are
// kept. Positions are in the dialog's client coordinates, also for the controls that
// sit inside the question frame; the dialog converts them with the screen's factor.

#include <cstring>

namespace adminLayout {

constexpr int kClientWidth = 5070;
constexpr int kClientHeight = 4005;

struct ControlTwips {
    const char* name; // objectName of the control
    int left;
    int top;
    int width;
    int height;
    int tabIndex; // -1: not in the tab order
};

constexpr ControlTwips kControls[] = {
    {"lblNew", 120, 120, 1335, 195, 9},
    {"txtNew", 1800, 120, 3135, 285, 0},
    {"lblConfirm", 120, 480, 1635, 195, 8},
    {"txtConfirm", 1800, 480, 3135, 285, 1},
    {"frmQuestion", 120, 840, 4815, 2175, 2},
    {"optRemindQuestion0", 240, 1080, 3255, 255, 13},
    {"optRemindQuestion1", 240, 1440, 3015, 255, 12},
    {"optRemindQuestion2", 240, 1800, 3015, 255, 11},
    {"optRemindQuestion3", 240, 2160, 4095, 255, 10},
    {"txtOther", 600, 2560, 3975, 285, 3},
    {"Image1", 3960, 1320, 480, 480, -1},
    {"Label1", 120, 3120, 705, 195, 7},
    {"txtAnswer", 960, 3120, 3975, 285, 4},
    {"cmdOK", 3960, 3600, 975, 300, 5},
    {"cmdCancel", 2640, 3600, 975, 300, 6},
};

// The entry for that control name, or nullptr.
inline const ControlTwips* find(const char* name) {
    for (const ControlTwips& control : kControls) {
        if (std::strcmp(control.name, name) == 0)
            return &control;
    }
    return nullptr;
}

} // namespace adminLayout
