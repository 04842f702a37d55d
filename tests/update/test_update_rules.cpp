// The version file's line rules and the download's length header, without a toolkit.

#include "support/check.h"
#include "update/download_progress.h"
#include "update/version_text.h"

#include <vector>

namespace {

void versionText() {
    struct Case {
        const char* fetched;
        const char* localCopy;
        const char* version;
    };
    // The plain cases are checked through a real check for updates (test_update_check).
    const std::vector<Case> cases = {
        // A bare LF does not end the line: both lines join.
        {"Version 1.0.0\nnotes\n", "Version 1.0.0\nnotes\n\r\n", "Version 1.0.0notes"},
        // Only spaces are trimmed, not line breaks or tabs.
        {"\tVersion 1.0.0", "\tVersion 1.0.0\r\n", "\tVersion 1.0.0"},
        // A lone CR ends the line too.
        {"Version 2\rrest", "Version 2\rrest\r\n", "Version 2"},
    };
    for (const Case& c : cases) {
        const std::string copy = versionFileContents(c.fetched);
        CHECK_EQ(copy, std::string(c.localCopy));
        CHECK_EQ(serverVersionText(copy), std::string(c.version));
    }
}

void contentLength() {
    struct Case {
        const char* header;
        int32_t size; // 0: unusable
    };
    const std::vector<Case> cases = {
        {"3000", 3000}, {" 10240 ", 10240}, {"2147483647", 2147483647},
        {"0", 0},       {"  ", 0},          {"-5", 0},
        {"12abc", 0},   {"2147483648", 0},  {"99999999999999999999", 0},
        {"30 00", 0},
    };
    for (const Case& c : cases)
        CHECK_EQ(usableContentLength(c.header).value_or(0), c.size);
}

} // namespace

int main() {
    versionText();
    contentLength();
    return checkSummary("test_update_rules");
}
