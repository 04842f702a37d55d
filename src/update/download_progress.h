#pragma once
// The arithmetic and texts of the upgrade download's display: the shortened source and
// destination labels and the per-chunk progress (bar, percentage, kilobytes, title).

#include <cstdint>
#include <optional>
#include <string>

// The body is taken in chunks of this many bytes; the display changes once per chunk.
constexpr int kChunkBytes = 1024;
// What the "KB" count grows by per chunk, whatever the chunk's length:
// (1024 / 10 rounded to 102) / 1024 / 10 * 100.
constexpr double kKilobytesPerChunk = 0.99609375;

// The number of "/" in an address, as decimal text.
std::string serverShortPath(const std::string& sUrlPath);
// The number of folder separators in a local path, as decimal text. Both "\" and the
// "/" this system's paths use count.
std::string localShortPath(const std::string& sUrlPath);
// A level of exactly 1..10 gives that many "."; any other level 11; then " \ ".
std::string convertShortPath(float level);

// The size announced by a "Content-length" header: digits only (blanks around them
// allowed), at least 1 and within a signed 32-bit integer. Anything else is unusable.
std::optional<int32_t> usableContentLength(const std::string& header);

// Rounds half to even (the forms run time's rule) and writes the whole number.
std::string roundedText(double value);
// size / 1024 as a plain decimal number with as many digits as it needs (up to 15
// significant), '.' as the decimal separator.
std::string kilobytesText(int32_t size);

// The display as a chunk left it.
struct ChunkDisplay {
    double bar = 0;
    std::string progressLabel; // lblProgress
    std::string title;         // window title
    std::string downloadLabel; // lblDownload
};

class DownloadProgress {
public:
    // `size` must be a usable content length.
    DownloadProgress(int32_t size, std::string fileName);
    // The percentage one full chunk adds: (1024 / size) * 100 rounded to 4 places.
    double step() const { return step_; }
    double bar() const { return bar_; }
    double transferred() const { return transferred_; }
    // One chunk's arithmetic. False when it left the display as it was: the bar already
    // stood at 100 (the count goes on).
    bool addChunk();
    // The display as the last chunk that changed it left it. The texts are built only
    // here: many chunks arrive between two paints.
    ChunkDisplay display() const;

private:
    std::string fileName_;
    std::string totalText_;
    double step_;
    double bar_ = 0;
    double transferred_ = 0;
    double transferredShown_ = 0; // the count when the display last changed
    bool completed_ = false;      // the last change was the one that filled the bar
};
