#include "update/download_progress.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

std::string countOf(const std::string& text, const char* characters) {
    return std::to_string(std::count_if(text.begin(), text.end(), [characters](char c) {
        return std::string(characters).find(c) != std::string::npos;
    }));
}

} // namespace

std::string serverShortPath(const std::string& sUrlPath) {
    return countOf(sUrlPath, "/");
}

std::string localShortPath(const std::string& sUrlPath) {
    return countOf(sUrlPath, "\\/");
}

std::string convertShortPath(float level) {
    int dots = 11;
    for (int whole = 1; whole <= 10; ++whole) {
        if (level == static_cast<float>(whole))
            dots = whole;
    }
    return std::string(static_cast<size_t>(dots), '.') + " \\ ";
}

std::optional<int32_t> usableContentLength(const std::string& header) {
    const auto first = header.find_first_not_of(" \t");
    const auto last = header.find_last_not_of(" \t");
    if (first == std::string::npos)
        return std::nullopt;
    const std::string digits = header.substr(first, last - first + 1);
    if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 10)
        return std::nullopt;
    const long long size = std::stoll(digits);
    if (size < 1 || size > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(size);
}

std::string roundedText(double value) {
    return std::to_string(static_cast<long long>(std::nearbyint(value)));
}

std::string kilobytesText(int32_t size) {
    char text[32];
    const auto end =
        std::to_chars(text, text + sizeof text, size / 1024.0, std::chars_format::general, 15).ptr;
    return std::string(text, end);
}

DownloadProgress::DownloadProgress(int32_t size, std::string fileName)
    : fileName_(std::move(fileName)), totalText_(kilobytesText(size)),
      step_(std::nearbyint(static_cast<double>(kChunkBytes) / size * 100 * 10000) / 10000) {}

bool DownloadProgress::addChunk() {
    transferred_ += kKilobytesPerChunk;
    if (bar_ >= 100)
        return false;
    completed_ = bar_ + step_ > 100;
    bar_ = completed_ ? 100 : bar_ + step_;
    transferredShown_ = transferred_;
    return true;
}

ChunkDisplay DownloadProgress::display() const {
    ChunkDisplay display;
    display.bar = bar_;
    const std::string percent = roundedText(bar_);
    if (!completed_) {
        display.progressLabel = "Downloading please wait... " + percent + "%";
        display.title = percent + "% " + fileName_;
        display.downloadLabel =
            "Transferring: " + roundedText(transferredShown_) + " KB of " + totalText_ + " KB";
    } else {
        display.progressLabel = "Download completed... " + percent + "%";
        display.title = "Downloading: " + percent + "%";
        display.downloadLabel = "Transferring: " + totalText_ + " KB of " + totalText_ + " KB";
    }
    return display;
}
