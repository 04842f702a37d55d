#include "update/upgrade_proof.h"

#include <cstdio>
#include <cstring>

// The built-in key, one whole array in the program's data so that a test can put its own
// key into a copy of the program, as it points the update address at a local server. Not
// const: a constant's text could be folded into the code that reads it.
extern char vtrUpdateKey[];
char vtrUpdateKey[] = VTR_UPDATE_PUBLIC_KEY;

namespace {

constexpr std::size_t kCoordinateBytes = 32;

// What precedes the point in every P-256 SubjectPublicKeyInfo: the outer sequence, the
// algorithm (id-ecPublicKey, prime256v1) and the bit string's head.
constexpr unsigned char kP256KeyPrefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48,
                                            0xce, 0x3d, 0x02, 0x01, 0x06, 0x08, 0x2a, 0x86, 0x48,
                                            0xce, 0x3d, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00};

int base64Value(char c) {
    static const char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const char* found = c != '\0' ? std::strchr(alphabet, c) : nullptr;
    return found ? static_cast<int>(found - alphabet) : -1;
}

// Standard Base64 with its padding; nothing for anything else.
std::optional<std::string> decodeBase64(const std::string& text) {
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const int padding = last ? (text[i + 3] == '=') + (text[i + 2] == '=') : 0;
        unsigned value = 0;
        for (int k = 0; k < 4; ++k) {
            const int digit = k >= 4 - padding ? 0 : base64Value(text[i + k]);
            if (digit < 0)
                return std::nullopt;
            value = value << 6 | static_cast<unsigned>(digit);
        }
        for (int k = 0; k < 3 - padding; ++k)
            bytes += static_cast<char>(value >> (16 - 8 * k) & 0xff);
    }
    return bytes;
}

// One DER INTEGER at `at`, right-aligned into 32 bytes of `out`; moves `at` past it.
bool readInteger(const std::string& der, std::size_t& at, unsigned char* out) {
    if (at + 2 > der.size() || der[at] != 0x02)
        return false;
    std::size_t length = static_cast<unsigned char>(der[at + 1]);
    at += 2;
    if (length == 0 || length > kCoordinateBytes + 1 || at + length > der.size())
        return false;
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(der[at + k]); };
    // Positive and in its shortest form: a leading zero only before a high bit.
    if (byte(0) & 0x80 || (length > 1 && byte(0) == 0 && !(byte(1) & 0x80)))
        return false;
    std::size_t skip = byte(0) == 0 ? 1 : 0;
    if (length - skip > kCoordinateBytes || length == skip)
        return false;
    std::memcpy(out + kCoordinateBytes - (length - skip), der.data() + at + skip, length - skip);
    at += length;
    return true;
}

} // namespace

std::string signatureFileName(const std::string& fileName) {
    return fileName + ".sig";
}

std::optional<RawSignature> rawSignature(const std::string& der) {
    if (der.size() < 2 || der[0] != 0x30 || static_cast<unsigned char>(der[1]) != der.size() - 2)
        return std::nullopt;
    RawSignature raw{};
    std::size_t at = 2;
    if (!readInteger(der, at, raw.data()) || !readInteger(der, at, raw.data() + kCoordinateBytes) ||
        at != der.size())
        return std::nullopt;
    return raw;
}

std::optional<PublicPoint> publicPoint(const std::string& base64) {
    const std::optional<std::string> der = decodeBase64(base64);
    PublicPoint point{};
    if (!der || der->size() != sizeof kP256KeyPrefix + point.size() ||
        std::memcmp(der->data(), kP256KeyPrefix, sizeof kP256KeyPrefix) != 0 ||
        (*der)[sizeof kP256KeyPrefix] != 0x04)
        return std::nullopt;
    std::memcpy(point.data(), der->data() + sizeof kP256KeyPrefix, point.size());
    return point;
}

std::string builtInUpdateKey() {
    return vtrUpdateKey;
}

void finishUpgrade(UpgradeWindowSteps& window, const std::string& path, const std::string& fileName,
                   const std::string& keyBase64, SignatureCheck check) {
    const std::optional<std::string> signature =
        window.fetchBeside(signatureFileName(fileName), kMaxSignatureBytes);
    const std::optional<RawSignature> raw = signature ? rawSignature(*signature) : std::nullopt;
    const std::optional<PublicPoint> key = publicPoint(keyBase64);
    if (!raw || !key || !check(path, *raw, *key)) {
        std::remove(path.c_str());
        window.setStatus(kNotVerifiedStatus);
        return;
    }
    window.setStatus(kDownloadedStatus);
    window.tell(downloadedMessage(fileName));
    window.install();
}
