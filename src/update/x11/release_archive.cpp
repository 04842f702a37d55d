#include "update/x11/release_archive.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

constexpr std::size_t kBlock = 512;
// A release is a few megabytes; these bound what a damaged archive can make us do.
constexpr std::uint64_t kMaxUnpackedBytes = std::uint64_t{1} << 30;
constexpr std::size_t kMaxEntries = 10000;
constexpr std::uint64_t kMaxNameBytes = 4096;
constexpr std::size_t kMaxDepth = 32;

class GzipInput {
public:
    explicit GzipInput(const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        file_ = fd >= 0 ? gzdopen(fd, "rb") : nullptr;
        if (fd >= 0 && !file_)
            ::close(fd);
    }
    ~GzipInput() {
        if (file_)
            gzclose(file_);
    }
    GzipInput(const GzipInput&) = delete;
    GzipInput& operator=(const GzipInput&) = delete;

    // Exactly `size` bytes, or false.
    bool read(char* data, std::size_t size) {
        while (size > 0) {
            const int got = file_ ? gzread(file_, data, static_cast<unsigned>(size)) : -1;
            if (got <= 0)
                return false;
            data += got;
            size -= static_cast<std::size_t>(got);
        }
        return true;
    }
    // The padding that fills the last block of `size` bytes of content.
    bool skipPadding(std::uint64_t size) {
        char pad[kBlock];
        return read(pad, (kBlock - size % kBlock) % kBlock);
    }

private:
    gzFile file_ = nullptr;
};

// An octal field of the header: digits, perhaps after blanks, ended by NUL or blank.
std::optional<std::uint64_t> octal(const char* field, std::size_t width) {
    std::size_t i = 0;
    while (i < width && field[i] == ' ')
        ++i;
    std::uint64_t value = 0;
    const std::size_t first = i;
    for (; i < width && field[i] >= '0' && field[i] <= '7'; ++i) {
        if (value >> 60)
            return std::nullopt;
        value = value * 8 + static_cast<std::uint64_t>(field[i] - '0');
    }
    if (i == first || (i < width && field[i] != '\0' && field[i] != ' '))
        return std::nullopt;
    return value;
}

bool checksumMatches(const char* header) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < kBlock; ++i)
        sum += i >= 148 && i < 156 ? ' ' : static_cast<unsigned char>(header[i]);
    return octal(header + 148, 8) == sum;
}

std::string field(const char* start, std::size_t width) {
    return std::string(start, strnlen(start, width));
}

// The "path" record of a pax extended header ("<length> path=<value>\n" records).
std::optional<std::string> paxPath(const std::string& records) {
    std::optional<std::string> path;
    for (std::size_t at = 0; at < records.size();) {
        const std::size_t space = records.find(' ', at);
        if (space == std::string::npos)
            return std::nullopt;
        std::size_t length = 0;
        for (std::size_t i = at; i < space; ++i) {
            if (records[i] < '0' || records[i] > '9' || length > records.size())
                return std::nullopt;
            length = length * 10 + static_cast<std::size_t>(records[i] - '0');
        }
        if (length <= space - at + 1 || at + length > records.size() ||
            records[at + length - 1] != '\n')
            return std::nullopt;
        const std::string record = records.substr(space + 1, at + length - space - 2);
        if (record.rfind("path=", 0) == 0)
            path = record.substr(5);
        at += length;
    }
    return path;
}

// The components of a relative path; nothing for an absolute one or one with "..".
std::optional<std::vector<std::string>> safeParts(const std::string& path) {
    if (path.empty() || path[0] == '/' || path.find('\0') != std::string::npos)
        return std::nullopt;
    std::vector<std::string> parts;
    for (std::size_t at = 0; at <= path.size();) {
        const std::size_t slash = std::min(path.find('/', at), path.size());
        const std::string part = path.substr(at, slash - at);
        if (part == "..")
            return std::nullopt;
        if (!part.empty() && part != ".")
            parts.push_back(part);
        at = slash + 1;
    }
    if (parts.size() > kMaxDepth)
        return std::nullopt;
    return parts;
}

// Copies `size` bytes of content into a new file `parts` below `into`.
bool unpackFile(GzipInput& input, int into, const std::vector<std::string>& parts,
                std::uint64_t size, bool executable) {
    const int folder = openFolderAt(into, parts, parts.size() - 1, true);
    if (folder < 0)
        return false;
    const mode_t mode = executable ? 0755 : 0644;
    const int file = ::openat(folder, parts.back().c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    ::close(folder);
    if (file < 0)
        return false;
    bool ok = ::fchmod(file, mode) == 0;
    char block[1 << 16];
    for (std::uint64_t left = size; ok && left > 0;) {
        const std::size_t chunk =
            static_cast<std::size_t>(std::min<std::uint64_t>(left, sizeof block));
        ok = input.read(block, chunk) && ::write(file, block, chunk) == static_cast<ssize_t>(chunk);
        left -= chunk;
    }
    return ::close(file) == 0 && ok && input.skipPadding(size);
}

} // namespace

int openFolderAt(int base, const std::vector<std::string>& parts, std::size_t count, bool create) {
    int folder = ::fcntl(base, F_DUPFD_CLOEXEC, 0);
    for (std::size_t i = 0; folder >= 0 && i < count; ++i) {
        if (create && ::mkdirat(folder, parts[i].c_str(), 0755) != 0 && errno != EEXIST) {
            ::close(folder);
            return -1;
        }
        const int next =
            ::openat(folder, parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(folder);
        folder = next;
    }
    return folder;
}

std::optional<std::vector<ArchiveEntry>> unpackReleaseArchive(const std::string& archive,
                                                              int into) {
    GzipInput input(archive);
    std::vector<ArchiveEntry> entries;
    std::set<std::vector<std::string>> files;
    std::optional<std::string> longName; // from a pax or GNU header, for the next entry
    std::uint64_t unpacked = 0;
    char header[kBlock];
    while (input.read(header, kBlock)) {
        if (std::all_of(header, header + kBlock, [](char c) { return c == '\0'; }))
            return entries; // the end
        const std::optional<std::uint64_t> size = octal(header + 124, 12);
        const char type = header[156];
        if (!checksumMatches(header) || !size || entries.size() >= kMaxEntries ||
            (unpacked += *size) > kMaxUnpackedBytes)
            return std::nullopt;
        if (type == 'x' || type == 'L' || type == 'g') {
            if (*size > kMaxNameBytes)
                return std::nullopt;
            std::string text(static_cast<std::size_t>(*size), '\0');
            if (!input.read(text.data(), text.size()) || !input.skipPadding(*size))
                return std::nullopt;
            if (type == 'x')
                longName = paxPath(text);
            else if (type == 'L')
                longName = text.substr(0, text.find('\0'));
            continue;
        }
        const bool ustar = std::memcmp(header + 257, "ustar", 5) == 0;
        const std::string prefix = ustar ? field(header + 345, 155) : std::string();
        const std::string name =
            longName ? *longName : (prefix.empty() ? "" : prefix + "/") + field(header, 100);
        longName.reset();
        const std::optional<std::vector<std::string>> parts = safeParts(name);
        const bool folder = type == '5';
        if (!parts || (!folder && type != '0' && type != '\0') || (folder && *size != 0))
            return std::nullopt; // links, devices and the like are never part of a release
        if (parts->empty())
            continue; // "./", the archive's own folder
        if (folder) {
            const int made = openFolderAt(into, *parts, parts->size(), true);
            if (made < 0)
                return std::nullopt;
            ::close(made);
        } else {
            const std::optional<std::uint64_t> mode = octal(header + 100, 8);
            if (!files.insert(*parts).second ||
                !unpackFile(input, into, *parts, *size, mode && (*mode & 0111)))
                return std::nullopt;
        }
        entries.push_back({*parts, folder});
    }
    return std::nullopt; // cut short
}
