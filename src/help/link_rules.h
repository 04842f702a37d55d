#pragma once
// The about box's web-site link: when the pointer counts as on it, and which colour the
// link takes. Colours are COLORREF values as the link routines receive them (0x00BBGGRR).

#include <cstdint>
#include <optional>

using Colorref = std::uint32_t;

constexpr Colorref kLinkNormalColour = 0x00864820; // dark blue, RGB(32, 72, 134)
constexpr Colorref kLinkHoverColour = 0x00FF0000;  // blue, RGB(0, 0, 255)
constexpr Colorref kLinkDesignColour = 0x00800000; // navy, RGB(0, 0, 128), before any move

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const Rgb& other) const {
        return red == other.red && green == other.green && blue == other.blue;
    }
};

Rgb rgbOf(Colorref colour);

// True when (x, y), relative to the label's top left corner, lies on the label; all four
// edges count as on it.
bool pointOnLink(float x, float y, float width, float height);

// The colour the link takes for that pointer position; a missing colour argument means
// the usual one.
Colorref linkColour(float x, float y, float width, float height,
                    std::optional<Colorref> normalColour = std::nullopt,
                    std::optional<Colorref> hoverColour = std::nullopt);
