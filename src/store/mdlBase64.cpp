#include "store/mdlBase64.h"

#include "platform/random_source.h"

#include <cmath>

namespace {

const std::string kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int code(const std::string& text, size_t index) {
    return static_cast<unsigned char>(text[index]);
}

// The keys are rounded with halves going to the even neighbour, as every stored
// file so far was written that way.
int roundHalfEven(float value) {
    return static_cast<int>(std::nearbyint(value));
}

// Shifts every code of `body` by `shift` and reverses the order; empty when a code
// would leave the single-byte range.
std::optional<std::string> shiftReversed(const std::string& body, int shift) {
    std::string result(body.size(), '\0');
    for (size_t i = 0; i < body.size(); ++i) {
        const int shifted = code(body, i) + shift;
        if (shifted < 0 || shifted > 255)
            return std::nullopt;
        result[body.size() - 1 - i] = static_cast<char>(shifted);
    }
    return result;
}

} // namespace

std::string base64Char(int16_t value) {
    if (value < 0 || value >= static_cast<int16_t>(kAlphabet.size()))
        return {};
    return kAlphabet.substr(static_cast<size_t>(value), 1);
}

int16_t base64Index(const std::string& text) {
    if (text.empty())
        return -1;
    const auto position = kAlphabet.find(text);
    return position == std::string::npos ? int16_t{-1} : static_cast<int16_t>(position);
}

std::string base64Encode(const std::string& text) {
    const size_t n = text.size();
    std::string result;
    result.reserve((n + 2) / 3 * 4);
    for (size_t i = 0; i < n; i += 3) {
        const int a = code(text, i);
        const int b = i + 1 < n ? code(text, i + 1) : 0;
        const int c = i + 2 < n ? code(text, i + 2) : 0;
        result += base64Char(static_cast<int16_t>(a / 4));
        result += base64Char(static_cast<int16_t>((a % 4) * 16 + b / 16));
        if (i + 1 < n)
            result += base64Char(static_cast<int16_t>((b % 16) * 4 + c / 64));
        if (i + 2 < n)
            result += base64Char(static_cast<int16_t>(c % 64));
    }
    return result;
}

// Groups are fixed: nothing is skipped, so a blank or "=" takes a place like any other
// character. Only the right-hand digit of each byte is tested; the left-hand one enters
// unchanged (-1 included) and the low eight bits are kept. Stored files depend on this.
std::string base64Decode(const std::string& text) {
    const size_t n = text.size();
    std::string result;
    result.reserve(n / 4 * 3 + 2);
    auto digit = [&](size_t index) -> int {
        return index < n ? base64Index(text.substr(index, 1)) : -1;
    };
    auto append = [&](int value) { result += static_cast<char>(value & 0xFF); };
    for (size_t i = 0; i < n; i += 4) {
        const int k1 = digit(i), k2 = digit(i + 1), k3 = digit(i + 2), k4 = digit(i + 3);
        if (k2 >= 0)
            append(4 * k1 + k2 / 16);
        if (k3 >= 0)
            append(16 * k2 + k3 / 4);
        if (k4 >= 0)
            append(64 * k3 + k4);
    }
    return result;
}

std::optional<std::string> scrambleText(const std::string& text) {
    int keyA = roundHalfEven(nextRandom() * 10.0f);
    if (keyA == 0)
        keyA = 4;
    const int keyB = roundHalfEven(nextRandom() * 5.0f);
    auto body = shiftReversed(text, keyA - keyB);
    if (!body)
        return std::nullopt;
    return static_cast<char>(keyA) + *body + static_cast<char>(keyB);
}

std::optional<std::string> unscrambleText(const std::string& text) {
    if (text.size() < 2)
        return std::nullopt;
    const int keyA = code(text, 0);
    const int keyB = code(text, text.size() - 1);
    return shiftReversed(text.substr(1, text.size() - 2), keyB - keyA);
}
