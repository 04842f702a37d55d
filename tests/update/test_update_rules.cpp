// The download's length header and the display a download leaves, without a toolkit; the
// version file's line rules are checked through a real check for updates (test_frm_update).

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
    // Every chunk counts a whole chunk's share: the bar passes 100 on the last chunk of 3000
    // bytes; 10240 bytes fill it exactly on the tenth, which is not past it.
    const std::pair<int32_t, const char*> downloads[] = {
        {3000, "Download completed... 100%|Downloading: 100%|"
               "Transferring: 2.9296875 KB of 2.9296875 KB"},
        {10240, "Downloading please wait... 100%|100% f|Transferring: 10 KB of 10 KB"}};
    for (const auto& [size, shown] : downloads) {
        DownloadProgress progress(size, "f");
        for (int32_t at = 0; at < size; at += kChunkBytes)
            progress.addChunk();
        const ChunkDisplay display = progress.display();
        CHECK_EQ(display.progressLabel + "|" + display.title + "|" + display.downloadLabel,
                 std::string(shown));
    }
    return checkSummary("test_update_rules");
}
