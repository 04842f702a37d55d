#include "help/link_rules.h"

Rgb rgbOf(Colorref colour) {
    return {static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
            static_cast<int>((colour >> 16) & 0xFF)};
}

bool pointOnLink(float x, float y, float width, float height) {
    return x >= 0 && x <= width && y >= 0 && y <= height;
}

Colorref linkColour(float x, float y, float width, float height,
                    std::optional<Colorref> normalColour, std::optional<Colorref> hoverColour) {
    if (pointOnLink(x, y, width, height))
        return hoverColour.value_or(kLinkHoverColour);
    return normalColour.value_or(kLinkNormalColour);
}
