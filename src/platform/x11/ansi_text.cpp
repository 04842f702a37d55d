#include "platform/x11/ansi_text.h"

#include "store/ansi_codes.h"

namespace platform {

std::string toAnsi(const QString& text) {
    std::string result;
    result.reserve(static_cast<size_t>(text.size()));
    for (const QChar character : text) {
        const int code = ansiCode(character.unicode());
        result += code < 0 ? '?' : static_cast<char>(code);
    }
    return result;
}

QString fromAnsi(const std::string& text) {
    QString result;
    result.reserve(static_cast<qsizetype>(text.size()));
    for (const char byte : text)
        result += QChar(static_cast<char16_t>(ansiCharacter(static_cast<unsigned char>(byte))));
    return result;
}

bool hasAnsiCodes(const QString& text) {
    for (const QChar character : text) {
        if (ansiCode(character.unicode()) < 0)
            return false;
    }
    return true;
}

} // namespace platform
