// The lock's blurred picture: flat areas keep their colour (dimmed), the blur's reach
// follows the scale, a part drawn up on its own matches the whole, and the rows' padding
// is left alone. tests/whole/test_lock.py checks that text under the lock cannot be read,
// with the X server's share of the work.

#include "lock/lock_blur.h"
#include "support/check.h"

#include <chrono>
#include <random>
#include <vector>

namespace {

struct Picture {
    int width, height, stride;
    std::vector<uint32_t> pixels;
    Picture(int w, int h, int pad = 0, uint32_t fill = 0xFF000000u)
        : width(w), height(h), stride(w + pad), pixels(static_cast<size_t>((w + pad) * h), fill) {}
    uint32_t& at(int x, int y) { return pixels[static_cast<size_t>(y * stride + x)]; }
    void blur(double scale) { blurLockPicture(pixels.data(), width, height, stride, scale); }
};

// How many pixels of a black-to-white step along a row lie between 10 % and 90 %.
int stepWidth(double scale) {
    Picture p(300, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 150; x < 300; ++x)
            p.at(x, y) = 0xFFFFFFFFu;
    p.blur(scale);
    int between = 0;
    for (int x = 0; x < 300; ++x) {
        const int v = p.at(x, 4) & 0xFF;
        between += v > 22 && v < 196; // of the dimmed white, 218
    }
    return between;
}

} // namespace

int main() {
    // A flat picture keeps its colour, dimmed, and its top byte; the padding stays.
    for (const auto& [width, height] : {std::pair{1, 1}, {3, 2}, {1, 40}, {257, 33}}) {
        Picture flat(width, height, 3, 0xFF6496C8u);
        flat.pixels.back() = 0x12345678u; // padding of the last row
        flat.blur(1);
        bool same = true;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                same = same && flat.at(x, y) == (0xFF000000u | 85u << 16 | 127u << 8 | 170u);
        CHECK(same);
        CHECK_EQ(flat.pixels.back(), 0x12345678u);
        CHECK_EQ(flat.at(width, 0), 0xFF6496C8u);
    }

    // The blur reaches several pixels at a scale of 1, twice as far at 2.
    const int narrow = stepWidth(1), wide = stepWidth(2);
    CHECK(narrow >= 6 && narrow <= 20);
    CHECK(wide >= 2 * narrow - 3 && wide <= 2 * narrow + 3);

    // A part of the picture drawn up on its own (as the panel is painted) is that part of
    // the whole.
    Picture page(400, 200);
    std::mt19937 random(7);
    for (uint32_t& pixel : page.pixels)
        pixel = 0xFF000000u | (random() & 0xFFFFFFu);
    const SmallLockPicture small =
        shrinkLockPicture(page.pixels.data(), page.width, page.height, page.stride, 1);
    enlargeLockPicture(small, page.pixels.data(), page.width, page.height, page.stride);
    Picture part(37, 23);
    enlargeLockPicture(small, part.pixels.data(), part.width, part.height, part.stride, 101, 58);
    bool same = true;
    for (int y = 0; y < part.height; ++y)
        for (int x = 0; x < part.width; ++x)
            same = same && part.at(x, y) == page.at(101 + x, 58 + y);
    CHECK(same);

    // Nothing to do, nothing done.
    blurLockPicture(nullptr, 10, 10, 10, 1);
    Picture none(0, 0);
    none.blur(1);

    // A full-HD screen stays within the lock's time budget, with room for a loaded machine.
    Picture screen(1920, 1080, 0, 0xFF336699u);
    const auto start = std::chrono::steady_clock::now();
    screen.blur(1);
    const auto ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
    CHECK(ms.count() < 150);
    return checkSummary("test_lock_blur");
}
