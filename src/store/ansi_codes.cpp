#include "store/ansi_codes.h"

#include <array>

namespace {

// Codes 0x80..0x9F.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The character that starts at `at` and its length in bytes; length 0 where the bytes
// there are not well-formed UTF-8.
std::pair<char32_t, std::size_t> decode(const std::string& utf8, std::size_t at) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    const std::size_t length = lead < 0x80             ? 1
                               : (lead & 0xE0) == 0xC0 ? 2
                               : (lead & 0xF0) == 0xE0 ? 3
                               : (lead & 0xF8) == 0xF0 ? 4
                                                       : 0;
    if (length == 0 || at + length > utf8.size())
        return {0, 0};
    char32_t character = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(utf8[at + i]);
        if ((next & 0xC0) != 0x80)
            return {0, 0};
        character = (character << 6) | (next & 0x3F);
    }
    // The shortest form only, and no surrogate: anything else could pass for another text.
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (character < kLeast[length] || character > 0x10FFFF ||
        (character >= 0xD800 && character <= 0xDFFF))
        return {0, 0};
    return {character, length};
}

} // namespace

int ansiCode(char32_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return static_cast<int>(character);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == character)
            return static_cast<int>(0x80 + i);
    }
    return -1;
}

char32_t ansiCharacter(unsigned char code) {
    return code >= 0x80 && code < 0xA0 ? kHighControls[code - 0x80] : code;
}

std::vector<int> utf8ToAnsi(const std::string& utf8) {
    std::vector<int> codes;
    for (std::size_t at = 0; at < utf8.size();) {
        const auto [character, length] = decode(utf8, at);
        codes.push_back(length ? ansiCode(character) : -1);
        at += length ? length : 1;
    }
    return codes;
}
