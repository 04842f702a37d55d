#pragma once
// The lock's look of the frozen desktop: blurred so that no text on it can be read, and
// a little dimmed. Both locks (X11, Wayland) pass the picture they captured through it
// once, at lock time, so it is built for speed: the picture is averaged down, blurred
// small, and drawn back up smoothly, which costs a few operations a pixel.

#include <cstddef>
#include <cstdint>

// The blur's reach at a scale of 1, in pixels (about its standard deviation).
constexpr double kLockBlurPixels = 6;

// Blurs and dims a picture of 32-bit pixels in place; rows are `stride` pixels apart.
// The three low bytes of a pixel are its colour channels, in any order; the top byte
// (alpha or padding) is blurred alike but not dimmed, so an opaque picture stays opaque.
// `scale` is the device pixel ratio: the blur covers the same area of the screen at every
// scale. Nothing is done to an empty picture.
void blurLockPicture(uint32_t* pixels, int width, int height, std::ptrdiff_t stride, double scale);
