#include "platform/x11/ansi_text.h"

#include <array>

namespace platform {

namespace {

// Codes 0x80..0x9F; the five codes Windows leaves undefined map to the C1 controls
// of the same value, as Windows' own conversion does. Every other code is Latin-1.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int ansiCode(QChar character) {
    const char16_t unicode = character.unicode();
    if (unicode < 0x80 || (unicode >= 0xA0 && unicode <= 0xFF))
        return unicode;
    for (size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == unicode)
            return static_cast<int>(0x80 + i);
    }
    return -1;
}

} // namespace

std::string toAnsi(const QString& text) {
    std::string result;
    result.reserve(static_cast<size_t>(text.size()));
    for (const QChar character : text) {
        const int code = ansiCode(character);
        result += code < 0 ? '?' : static_cast<char>(code);
    }
    return result;
}

QString fromAnsi(const std::string& text) {
    QString result;
    result.reserve(static_cast<qsizetype>(text.size()));
    for (const char byte : text) {
        const auto code = static_cast<unsigned char>(byte);
        result += (code >= 0x80 && code < 0xA0) ? QChar(kHighControls[code - 0x80]) : QChar(code);
    }
    return result;
}

bool hasAnsiCodes(const QString& text) {
    for (const QChar character : text) {
        if (ansiCode(character) < 0)
            return false;
    }
    return true;
}

} // namespace platform
