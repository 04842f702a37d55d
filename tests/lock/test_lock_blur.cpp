// The lock's blurred picture: fine text loses its edges, flat areas keep their colour
// (dimmed), the blur's reach follows the scale, and the rows' padding is left alone.

#include "lock/lock_blur.h"
#include "support/check.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
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
    // The mean absolute step between neighbours, across and down, over the low byte.
    double edges() {
        double sum = 0;
        for (int y = 0; y + 1 < height; ++y)
            for (int x = 0; x + 1 < width; ++x)
                sum += std::abs(int(at(x, y) & 0xFF) - int(at(x + 1, y) & 0xFF)) +
                       std::abs(int(at(x, y) & 0xFF) - int(at(x, y + 1) & 0xFF));
        return sum / ((width - 1) * (height - 1));
    }
};

// Lines of small dark glyphs on white, as a terminal shows text: 7 x 12 cells.
Picture text(int scale) {
    Picture p(400 * scale, 200 * scale, 0, 0xFFFFFFFFu);
    std::mt19937 random(7);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const int cx = x / scale % 7, cy = y / scale % 12;
            if (cx < 5 && cy > 1 && cy < 10 && random() % 2)
                p.at(x, y) = 0xFF202020u;
        }
    return p;
}

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
    for (const int scale : {1, 2}) {
        Picture page = text(scale);
        const double before = page.edges();
        page.blur(scale);
        CHECK(page.edges() < before * 0.1);
    }

    // A flat picture keeps its colour, dimmed, and its top byte; the padding stays.
    for (const auto& [width, height] : {std::pair{1, 1}, {3, 2}, {1, 40}, {257, 33}}) {
        Picture flat(width, height, 3, 0xFF6496C8u);
        std::fill_n(flat.pixels.end() - 1, 1, 0x12345678u); // padding of the last row
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

    // A picture averaged down elsewhere (by the X server) makes the same small picture as
    // the full one, but for rounding; a block size the step does not divide makes none.
    for (const int scale : {1, 2}) {
        Picture page = text(scale);
        Picture half(page.width / 2, page.height / 2);
        for (int y = 0; y < half.height; ++y)
            for (int x = 0; x < half.width; ++x) {
                const uint32_t a = page.at(2 * x, 2 * y), b = page.at(2 * x + 1, 2 * y),
                               c = page.at(2 * x, 2 * y + 1), d = page.at(2 * x + 1, 2 * y + 1);
                half.at(x, y) =
                    0xFF000000u | ((a & 0xFF) + (b & 0xFF) + (c & 0xFF) + (d & 0xFF) + 2) / 4;
            }
        const SmallLockPicture full =
            shrinkLockPicture(page.pixels.data(), page.width, page.height, page.stride, scale);
        const SmallLockPicture averaged =
            shrinkLockPicture(half.pixels.data(), half.width, half.height, half.stride, scale, 2);
        CHECK_EQ(averaged.step, lockBlurStep(scale));
        CHECK(averaged.width == full.width && averaged.height == full.height);
        int largest = 0;
        for (size_t i = 0; i < full.pixels.size(); ++i)
            largest = std::max(
                largest, std::abs(int(full.pixels[i] & 0xFF) - int(averaged.pixels[i] & 0xFF)));
        CHECK(largest <= 1);
        CHECK(shrinkLockPicture(half.pixels.data(), half.width, half.height, half.stride, scale, 3)
                  .pixels.empty());
    }

    // A part of the picture drawn up on its own is that part of the whole.
    {
        Picture page = text(1);
        const SmallLockPicture small =
            shrinkLockPicture(page.pixels.data(), page.width, page.height, page.stride, 1);
        enlargeLockPicture(small, page.pixels.data(), page.width, page.height, page.stride);
        Picture part(37, 23);
        enlargeLockPicture(small, part.pixels.data(), part.width, part.height, part.stride, 101,
                           58);
        bool same = true;
        for (int y = 0; y < part.height; ++y)
            for (int x = 0; x < part.width; ++x)
                same = same && part.at(x, y) == page.at(101 + x, 58 + y);
        CHECK(same);
    }

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
