// The version file's line rules and the download's length header, without a toolkit.

#include "support/check.h"
#include "update/download_progress.h"
#include "update/version_text.h"

#include <utility>

namespace {

void versionText() {
    // {fetched, local copy, version}; the plain cases are checked through a real check for
    // updates (test_update_check).
    const std::string cases[][3] = {
        // A bare LF does not end the line: both lines join.
        {"Version 1.0.0\nnotes\n", "Version 1.0.0\nnotes\n\r\n", "Version 1.0.0notes"},
        // Only spaces are trimmed, not line breaks or tabs.
        {"\tVersion 1.0.0", "\tVersion 1.0.0\r\n", "\tVersion 1.0.0"},
        // A lone CR ends the line too.
        {"Version 2\rrest", "Version 2\rrest\r\n", "Version 2"},
    };
    for (const auto& [fetched, localCopy, version] : cases) {
        CHECK_EQ(versionFileContents(fetched), localCopy);
        CHECK_EQ(serverVersionText(localCopy), version);
    }
}

void contentLength() {
    const std::pair<const char*, int32_t> cases[] = {
        // {header, size or 0 when unusable}
        {"3000", 3000}, {" 10240 ", 10240}, {"2147483647", 2147483647},
        {"0", 0},       {"  ", 0},          {"-5", 0},
        {"12abc", 0},   {"2147483648", 0},  {"99999999999999999999", 0},
        {"30 00", 0}};
    for (const auto& [header, size] : cases)
        CHECK_EQ(usableContentLength(header).value_or(0), size);
}

} // namespace

int main() {
    versionText();
    contentLength();
    return checkSummary("test_update_rules");
}
