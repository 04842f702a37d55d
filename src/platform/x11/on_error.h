#pragma once
// Continue-on-error mode for handlers: a failing step is skipped silently and the
// next one runs; nothing escapes into the event loop.

#include <utility>

namespace platform {

template <class Step> void continueOnError(Step&& step) noexcept {
    try {
        std::forward<Step>(step)();
    } catch (...) {
    }
}

} // namespace platform
