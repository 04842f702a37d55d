#pragma once
// Writes gzip-compressed tar archives entry by entry, any entry the format can hold (links,
// "..", absolute names included), for the tests of the release archive.

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
        std::snprintf(header + 108, 8, "%07o", 0u);
        std::snprintf(header + 116, 8, "%07o", 0u);
        std::snprintf(header + 124, 12, "%011o", static_cast<unsigned>(content.size()));
        std::snprintf(header + 136, 12, "%011o", 0u);
        header[156] = type;
        std::strncpy(header + 157, target.c_str(), 99);
        std::memcpy(header + 257,
                    "ustar\0"
                    "00",
                    8);
        std::memset(header + 148, ' ', 8);
        unsigned sum = 0;
        for (unsigned char c : header)
            sum += c;
        std::snprintf(header + 148, 8, "%06o", sum);
        tar_.append(header, sizeof header);
        tar_ += content;
        tar_.append((512 - content.size() % 512) % 512, '\0');
        return *this;
    }
    // The archive, gzip-compressed, with its two closing blocks.
    std::string gzip() const {
        const std::string whole = tar_ + std::string(1024, '\0');
        z_stream stream{};
        deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
        std::string out(deflateBound(&stream, whole.size()), '\0');
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(whole.data()));
        stream.avail_in = static_cast<uInt>(whole.size());
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = static_cast<uInt>(out.size());
        deflate(&stream, Z_FINISH);
        out.resize(stream.total_out);
        deflateEnd(&stream);
        return out;
    }

private:
    std::string tar_;
};
