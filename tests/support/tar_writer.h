#pragma once
// Writes gzip-compressed tar archives entry by entry, any entry the format can hold (links,
// "..", absolute names included), for the tests of the release archive. Only the fields
// the program reads are filled in.

#include <cstdio>
#include <cstring>
#include <string>
#include <zlib.h>

class TarWriter {
public:
    // A plain file ('0'), a folder ('5'), a hard ('1') or symbolic ('2') link to `target`.
    TarWriter& add(const std::string& name, const std::string& content = {}, char type = '0',
                   const std::string& target = {}, unsigned mode = 0644) {
        char header[512] = {};
        std::strncpy(header, name.c_str(), 99);
        std::snprintf(header + 100, 8, "%07o", mode);
        std::snprintf(header + 124, 12, "%011o", static_cast<unsigned>(content.size()));
        header[156] = type;
        std::strncpy(header + 157, target.c_str(), 99);
        std::memcpy(header + 257, "ustar", 6);
        std::memset(header + 148, ' ', 8);
        unsigned sum = 0;
        for (unsigned char c : header)
            sum += c;
        std::snprintf(header + 148, 8, "%06o", sum);
        tar_.append(header, sizeof header) += content;
        tar_.append((512 - content.size() % 512) % 512, '\0');
        return *this;
    }
    // Writes the archive with its two closing blocks, gzip-compressed, to `path`.
    void save(const std::string& path) const {
        const std::string whole = tar_ + std::string(1024, '\0');
        const gzFile file = gzopen(path.c_str(), "wb1");
        gzwrite(file, whole.data(), static_cast<unsigned>(whole.size()));
        gzclose(file);
    }

private:
    std::string tar_;
};
