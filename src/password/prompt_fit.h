#pragma once
// The size of a prompt box's text so that the whole prompt shows: it wraps at the box's
// usual width, and only when the wrapped text would be taller than the screen allows
// does the box grow wider, as little as needed, up to the widest the screen allows.
// Pixels; `heightAt(width)` measures the wrapped prompt at that width.

#include <functional>

struct PromptFit {
    int width = 0;
    int height = 0;
    bool whole = true; // false when even the largest box cuts the prompt off
};

PromptFit fitPrompt(const std::function<int(int width)>& heightAt, int usualWidth, int usualHeight,
                    int widest, int tallest);
