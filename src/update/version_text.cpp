#include "update/version_text.h"

#include "store/text_rules.h"

#include <algorithm>

std::string versionFileContents(const std::string& fetched) {
    return trimBlanks(fetched) + "\r\n";
}

std::string firstLine(const std::string& text) {
    return text.substr(0, text.find('\r'));
}

std::string withoutLineBreaks(const std::string& text) {
    std::string kept = text;
    kept.erase(
        std::remove_if(kept.begin(), kept.end(), [](char c) { return c == '\n' || c == '\r'; }),
        kept.end());
    return kept;
}

std::string serverVersionText(const std::string& localCopy) {
    return withoutLineBreaks(firstLine(localCopy));
}
