#pragma once
// The lock's look of the frozen desktop: blurred so that no text on it can be read, and
// a little dimmed. Both locks (X11, Wayland) pass the picture they captured through it
// once, at lock time, so it is built for speed: the picture is averaged down, blurred
// small, and drawn back up smoothly, which costs a few operations a pixel. The small
// picture alone decides the look; drawing it back up is a plain smooth enlargement,
// which a window system that can scale pictures may do itself.

#include <cstddef>
#include <cstdint>
#include <vector>

// The blur's reach at a scale of 1, in pixels (about its standard deviation).
constexpr double kLockBlurPixels = 6;

// The picture averaged down, blurred and dimmed: each of its pixels stands for a block of
// `step` x `step` pixels of the full one (fewer at the right and bottom edges). Its
// pixels are in the full picture's byte order, rows `width` apart.
struct SmallLockPicture {
    int width = 0;
    int height = 0;
    int step = 1;
    std::vector<uint32_t> pixels;
};

// The small picture of a picture of 32-bit pixels (rows `stride` pixels apart). The three
// low bytes of a pixel are its colour channels, in any order; the top byte (alpha or
// padding) is blurred alike but not dimmed, so an opaque picture stays opaque. `scale` is
// the device pixel ratio: the blur covers the same area of the screen at every scale.
// A picture that was averaged down already (by the window system, say) gives the number
// of pixels each of its pixels stands for each way as `averagedBy`, a divisor of the
// step. Empty for an empty picture or a divisor that does not fit.
SmallLockPicture shrinkLockPicture(const uint32_t* pixels, int width, int height,
                                   std::ptrdiff_t stride, double scale, int averagedBy = 1);

// How many pixels of the full picture each small pixel stands for each way at a scale.
int lockBlurStep(double scale);

// Draws the small picture back up over the full picture it was made from, or over the
// part of it whose top-left pixel is at (`left`, `top`): each pixel mixes the four small
// pixels around its centre by distance (bilinear), the edges repeated. The rows' padding
// is left alone.
void enlargeLockPicture(const SmallLockPicture& small, uint32_t* pixels, int width, int height,
                        std::ptrdiff_t stride, int left = 0, int top = 0);

// Both at once: the picture blurred and dimmed in place. Nothing is done to an empty one.
void blurLockPicture(uint32_t* pixels, int width, int height, std::ptrdiff_t stride, double scale);
