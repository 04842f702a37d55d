// The prompt box's text area: the usual size for a short prompt, taller for a long one,
// wider only once the screen's height is used up, and never beyond the screen.

#include "password/prompt_fit.h"
#include "support/check.h"

#include <tuple>

namespace {

// Text of `characters` 6-pixel characters wrapped at `width`, 13 pixels a line.
std::function<int(int)> wrapped(int characters) {
    return [characters](int width) {
        const int perLine = width / 6;
        return perLine > 0 ? (characters + perLine - 1) / perLine * 13 : 1 << 20;
    };
}

} // namespace

int main() {
    // characters, widest, tallest -> width, height, whole
    const std::tuple<int, int, int, int, int, bool> rows[] = {
        {10, 1000, 700, 250, 70, true},     // one line: the usual box
        {300, 1000, 700, 250, 104, true},   // eight lines of 41: taller than usual
        {1000, 1000, 700, 250, 325, true},  // the longest own question, at the usual width
        {1000, 1000, 200, 402, 195, true},  // a low screen: as wide as 15 lines need
        {5000, 1000, 200, 1000, 200, false} // too much for the screen: all of it, cut off
    };
    for (const auto& [characters, widest, tallest, width, height, whole] : rows) {
        const PromptFit fit = fitPrompt(wrapped(characters), 250, 70, widest, tallest);
        CHECK_EQ(fit.width, width);
        CHECK_EQ(fit.height, height);
        CHECK_EQ(fit.whole, whole);
    }
    return checkSummary("test_prompt_fit");
}
