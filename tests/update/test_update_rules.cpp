// The update's text rules and download arithmetic, without a toolkit.

#include "support/check.h"
#include "update/download_progress.h"
#include "update/version_text.h"

#include <cmath>
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
        {"Version 1.0.0\r\nnotes\r\n", "Version 1.0.0\r\nnotes\r\n\r\n", "Version 1.0.0"},
        // A bare LF does not end the line: both lines join.
        {"Version 1.0.0\nnotes\n", "Version 1.0.0\nnotes\n\r\n", "Version 1.0.0notes"},
        // Only spaces are trimmed, not line breaks or tabs.
        {"\r\nVersion 1.0.0", "\r\nVersion 1.0.0\r\n", ""},
        {"\tVersion 1.0.0", "\tVersion 1.0.0\r\n", "\tVersion 1.0.0"},
        {"   ", "\r\n", ""},
        // A lone CR ends the line too.
        {"Version 2\rrest", "Version 2\rrest\r\n", "Version 2"},
    };
    for (const Case& c : cases) {
        const std::string copy = versionFileContents(c.fetched);
        CHECK_EQ(copy, std::string(c.localCopy));
        CHECK_EQ(serverVersionText(copy), std::string(c.version));
    }
}

void shortPaths() {
    struct Case {
        float level;
        const char* text;
    };
    const std::vector<Case> cases = {
        {0, "........... \\ "}, {11, "........... \\ "}, {2.5f, "........... \\ "},
        {1, ". \\ "},           {6, "...... \\ "},       {10, ".......... \\ "},
    };
    for (const Case& c : cases)
        CHECK_EQ(convertShortPath(c.level), std::string(c.text));

    const std::string source = "https://updates.corvenna.com/downloads/products/vtr/downloads/"
                               "update/VTR_Upgrade.exe";
    CHECK_EQ(serverShortPath(source), std::string("8"));
    CHECK_EQ(serverShortPath("no slashes"), std::string("0"));
    CHECK_EQ(localShortPath("C:\\Program Files\\Veltrane\\VTR_Upgrade.exe"), std::string("3"));
    CHECK_EQ(localShortPath("/opt/veltrane/VTR_Upgrade.exe"), std::string("3"));
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

// Smaller sizes are read back from the labels below and in the download tests.
void largeSizes() {
    CHECK_EQ(kilobytesText(104857600), std::string("102400"));
    CHECK_EQ(kilobytesText(2147483647), std::string("2097151.99902344"));
}

ChunkDisplay chunks(DownloadProgress& progress, int count) {
    for (int i = 0; i < count; ++i)
        progress.addChunk();
    return progress.display();
}

void threeThousandBytes() {
    DownloadProgress progress(3000, "VTR_Upgrade.exe");
    CHECK_EQ(progress.step(), 34.1333);
    ChunkDisplay shown = chunks(progress, 2);
    CHECK(std::fabs(progress.bar() - 68.2666) < 1e-9);
    CHECK_EQ(shown.progressLabel, std::string("Downloading please wait... 68%"));
    CHECK_EQ(shown.title, std::string("68% VTR_Upgrade.exe"));
    CHECK_EQ(shown.downloadLabel, std::string("Transferring: 2 KB of 2.9296875 KB"));
    CHECK(progress.addChunk());
    CHECK_EQ(progress.display().bar, 100.0); // its labels are checked on a real download
    // Once at 100 the display stays, though the count goes on.
    CHECK(!progress.addChunk());
    CHECK_EQ(progress.transferred(), 4 * kKilobytesPerChunk);
}

void kilobyteFigures() {
    struct Case {
        int chunks;
        const char* label;
    };
    // 1024000 bytes: the step is 0.1, so the bar is far from full throughout.
    const std::vector<Case> cases = {
        {1, "Transferring: 1 KB of 1000 KB"},
        {100, "Transferring: 100 KB of 1000 KB"}, // 99.609375
        {128, "Transferring: 128 KB of 1000 KB"}, // 127.5, to the even 128
        {384, "Transferring: 382 KB of 1000 KB"}, // 382.5, to the even 382
        {640, "Transferring: 638 KB of 1000 KB"}, // 637.5
    };
    for (const Case& c : cases) {
        DownloadProgress progress(1024000, "VTR_Upgrade.exe");
        CHECK_EQ(chunks(progress, c.chunks).downloadLabel, std::string(c.label));
    }
}

void stepRounding() {
    CHECK_EQ(DownloadProgress(1024, "f").step(), 100.0);
    CHECK_EQ(DownloadProgress(1024000, "f").step(), 0.1);
    CHECK_EQ(DownloadProgress(3, "f").step(), 34133.3333);
    CHECK_EQ(DownloadProgress(104857600, "f").step(), 0.001);
    // From 2048000000 bytes on (not far below the largest usable length) a chunk's share
    // rounds away to nothing at 4 places.
    CHECK_EQ(DownloadProgress(2147483647, "f").step(), 0.0);
}

} // namespace

int main() {
    versionText();
    shortPaths();
    contentLength();
    largeSizes();
    threeThousandBytes();
    kilobyteFigures();
    stepRounding();
    return checkSummary("test_update_rules");
}
