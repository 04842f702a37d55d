#include "password/prompt_fit.h"

#include <algorithm>

PromptFit fitPrompt(const std::function<int(int width)>& heightAt, int usualWidth, int usualHeight,
                    int widest, int tallest) {
    widest = std::max(widest, usualWidth);
    const auto fits = [&](int width) { return heightAt(width) <= tallest; };
    if (!fits(widest))
        return {widest, std::max(usualHeight, tallest), false};
    // Wider never wraps into more lines: the narrowest width that fits, by halving.
    int low = usualWidth, high = widest;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (fits(middle))
            high = middle;
        else
            low = middle + 1;
    }
    return {low, std::max(usualHeight, heightAt(low)), true};
}
