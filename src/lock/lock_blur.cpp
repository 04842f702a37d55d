#include "lock/lock_blur.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// The small picture is this many pixels smaller each way, per unit of scale: averaging,
// a blur of one small pixel thrice and the smooth enlargement add up to a blur of about
// 1.5 steps.
constexpr double kStep = kLockBlurPixels / 1.5;
constexpr int kBlurPasses = 3;
constexpr unsigned kKeptOf256 = 218; // the brightness kept: 85 %
constexpr int kChannels = 4;

// Where one axis of the full picture samples the small one: the two small pixels and
// the second one's weight out of 256.
struct Sample {
    int first;
    int second;
    uint16_t weight;
};

std::vector<Sample> samples(int first, int count, int small, int step) {
    std::vector<Sample> out(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double at = (first + i + 0.5) / step - 0.5;
        const double base = std::floor(at);
        const int near = std::clamp(static_cast<int>(base), 0, small - 1);
        const long weight = at <= 0 ? 0 : std::lround((at - base) * 256);
        out[static_cast<size_t>(i)] = {near, std::min(near + 1, small - 1),
                                       static_cast<uint16_t>(std::min(weight, 256L))};
    }
    return out;
}

// The pixels' bytes, channel by channel in memory order; which of them is the pixel's
// top byte depends on the machine.
int topByteIndex() {
    const uint32_t probe = 0xFF000000u;
    uint8_t bytes[4];
    std::memcpy(bytes, &probe, sizeof bytes);
    return bytes[0] == 0xFF ? 0 : 3;
}

// The small picture, four channels a pixel in the pixels' byte order.
struct Small {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> channels;
    uint16_t* row(int y) {
        return &channels[static_cast<size_t>(y) * static_cast<size_t>(width) * kChannels];
    }
};

// Each small pixel the mean of its block: the block's rows summed first (one add a byte,
// done many at a time by the compiler), then the block's columns.
Small shrink(const uint8_t* pixels, int width, int height, std::ptrdiff_t strideBytes, int step) {
    Small small{(width + step - 1) / step, (height + step - 1) / step, {}};
    small.channels.resize(static_cast<size_t>(small.width) * static_cast<size_t>(small.height) *
                          kChannels);
    const size_t bytes = static_cast<size_t>(width) * kChannels;
    if (step == 1) { // averaged already
        for (int y = 0; y < height; ++y)
            std::copy_n(pixels + y * strideBytes, bytes, small.row(y));
        return small;
    }
    std::vector<uint16_t> columns(bytes); // a block's rows hold at most 16 x 255
    for (int sy = 0; sy < small.height; ++sy) {
        std::fill(columns.begin(), columns.end(), 0);
        const int rows = std::min(step, height - sy * step);
        for (int y = sy * step; y < sy * step + rows; ++y) {
            const uint8_t* line = pixels + y * strideBytes;
            for (size_t i = 0; i < bytes; ++i)
                columns[i] = static_cast<uint16_t>(columns[i] + line[i]);
        }
        uint16_t* out = small.row(sy);
        for (int sx = 0; sx < small.width; ++sx) {
            const int first = sx * step, count = std::min(step, width - first);
            unsigned sums[kChannels] = {};
            for (const uint16_t* in = &columns[static_cast<size_t>(first) * kChannels];
                 in < &columns[static_cast<size_t>(first + count) * kChannels]; in += kChannels)
                for (int c = 0; c < kChannels; ++c)
                    sums[c] += in[c];
            // The mean, by a multiplication: exact for every sum of bytes up to 256 of them.
            const uint64_t n = static_cast<uint64_t>(rows * count), inverse = (1u << 24) / n;
            for (int c = 0; c < kChannels; ++c)
                out[sx * kChannels + c] =
                    static_cast<uint16_t>((sums[c] * inverse + (1u << 23)) >> 24);
        }
    }
    return small;
}

// One box blur of radius 1 across the rows, then down the columns, the edges repeated;
// whole rows at a time, so that it runs many values wide.
void boxPass(Small& small) {
    const size_t rowValues = static_cast<size_t>(small.width) * kChannels;
    std::vector<uint16_t> before(rowValues + 2 * kChannels), above(rowValues);
    // Sums of three bytes fit 16 bits, so the division runs eight lanes wide.
    const auto third = [](unsigned sum) {
        return static_cast<uint16_t>(static_cast<uint16_t>(sum + 1) / uint16_t{3});
    };
    for (int y = 0; y < small.height; ++y) {
        uint16_t* row = small.row(y);
        // The row with its first and last pixels repeated beyond its ends.
        std::copy_n(row, kChannels, before.begin());
        std::copy_n(row, rowValues, before.begin() + kChannels);
        std::copy_n(row + rowValues - kChannels, kChannels, before.end() - kChannels);
        for (size_t i = 0; i < rowValues; ++i)
            row[i] = third(before[i] + before[i + kChannels] + before[i + 2 * kChannels]);
    }
    for (int y = 0; y < small.height; ++y) {
        uint16_t* row = small.row(y);
        const uint16_t* next = small.row(std::min(y + 1, small.height - 1));
        if (y == 0)
            std::copy_n(row, rowValues, above.begin());
        for (size_t i = 0; i < rowValues; ++i) {
            const uint16_t here = row[i];
            row[i] = third(above[i] + here + next[i]);
            above[i] = here;
        }
    }
}

// A small row drawn out to the full width, each pixel from the two small pixels around
// it weighted by distance; kept as 16-bit values so that rows mix many at a time.
void widen(const uint8_t* small, const std::vector<Sample>& across, uint16_t* wide) {
    for (size_t x = 0; x < across.size(); ++x) {
        const Sample& h = across[x];
        const uint8_t* a = small + h.first * kChannels;
        const uint8_t* b = small + h.second * kChannels;
        for (int c = 0; c < kChannels; ++c)
            wide[x * kChannels + static_cast<size_t>(c)] =
                static_cast<uint16_t>((a[c] * (256u - h.weight) + b[c] * h.weight + 128) >> 8);
    }
}

} // namespace

int lockBlurStep(double scale) {
    // Blocks of at most 16 x 16 keep the sums of a block's rows within 16 bits.
    return std::clamp(static_cast<int>(std::lround(kStep * scale)), 1, 16);
}

SmallLockPicture shrinkLockPicture(const uint32_t* pixels, int width, int height,
                                   std::ptrdiff_t stride, double scale, int averagedBy) {
    const int step = lockBlurStep(scale);
    if (!pixels || width <= 0 || height <= 0 || averagedBy <= 0 || step % averagedBy != 0)
        return {};
    Small small = shrink(reinterpret_cast<const uint8_t*>(pixels), width, height,
                         stride * kChannels, step / averagedBy);
    for (int pass = 0; pass < kBlurPasses; ++pass)
        boxPass(small);
    // Every value is a mean of bytes, so a byte again.
    SmallLockPicture out{small.width, small.height, step,
                         std::vector<uint32_t>(small.channels.size() / kChannels)};
    auto* bytes = reinterpret_cast<uint8_t*>(out.pixels.data());
    unsigned kept[kChannels] = {kKeptOf256, kKeptOf256, kKeptOf256, kKeptOf256};
    kept[topByteIndex()] = 256;
    for (size_t i = 0; i < small.channels.size(); i += kChannels)
        for (int c = 0; c < kChannels; ++c)
            bytes[i + c] = static_cast<uint8_t>(small.channels[i + c] * kept[c] / 256);
    return out;
}

void enlargeLockPicture(const SmallLockPicture& small, uint32_t* pixels, int width, int height,
                        std::ptrdiff_t stride, int left, int top) {
    if (!pixels || width <= 0 || height <= 0 || small.width <= 0 || small.height <= 0 ||
        small.pixels.size() < static_cast<size_t>(small.width) * static_cast<size_t>(small.height))
        return;
    // Drawn back up: the two small rows around each row widened (each once), then mixed
    // by distance.
    const std::vector<Sample> across = samples(left, width, small.width, small.step);
    const std::vector<Sample> down = samples(top, height, small.height, small.step);
    const size_t rowBytes = static_cast<size_t>(width) * kChannels;
    std::vector<uint16_t> wide[2] = {std::vector<uint16_t>(rowBytes),
                                     std::vector<uint16_t>(rowBytes)};
    int widened[2] = {-1, -1};
    const auto widenedRow = [&](int smallRow) -> const uint16_t* {
        for (int k = 0; k < 2; ++k)
            if (widened[k] == smallRow)
                return wide[k].data();
        // The row no longer needed goes: rows are asked for in order.
        const int k = widened[0] < widened[1] ? 0 : 1;
        widen(reinterpret_cast<const uint8_t*>(
                  &small.pixels[static_cast<size_t>(smallRow) * static_cast<size_t>(small.width)]),
              across, wide[k].data());
        widened[k] = smallRow;
        return wide[k].data();
    };
    auto* bytes = reinterpret_cast<uint8_t*>(pixels);
    const std::ptrdiff_t strideBytes = stride * kChannels;
    for (int y = 0; y < height; ++y) {
        const Sample& v = down[static_cast<size_t>(y)];
        const uint16_t* upper = widenedRow(v.first);
        const uint16_t* lower = widenedRow(v.second);
        const uint16_t keep = static_cast<uint16_t>(256 - v.weight), take = v.weight;
        uint8_t* line = bytes + y * strideBytes;
        // 16-bit arithmetic throughout (255 x 256 fits), so that it runs eight lanes wide.
        for (size_t i = 0; i < rowBytes; ++i)
            line[i] = static_cast<uint8_t>(
                static_cast<uint16_t>(static_cast<uint16_t>(upper[i] * keep) +
                                      static_cast<uint16_t>(lower[i] * take) + 128) >>
                8);
    }
}

void blurLockPicture(uint32_t* pixels, int width, int height, std::ptrdiff_t stride, double scale) {
    enlargeLockPicture(shrinkLockPicture(pixels, width, height, stride, scale), pixels, width,
                       height, stride);
}
