// The download's length header, without a toolkit; the version file's line rules are
// checked through a real check for updates (test_frm_update).

#include "support/check.h"
#include "update/download_progress.h"

#include <utility>

int main() {
    const std::pair<const char*, int32_t> cases[] = {
        // {header, size or 0 when unusable}
        {"3000", 3000}, {" 10240 ", 10240}, {"2147483647", 2147483647},
        {"0", 0},       {"  ", 0},          {"-5", 0},
        {"12abc", 0},   {"2147483648", 0},  {"99999999999999999999", 0},
        {"30 00", 0}};
    for (const auto& [header, size] : cases)
        CHECK_EQ(usableContentLength(header).value_or(0), size);
    return checkSummary("test_update_rules");
}
