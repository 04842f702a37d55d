#pragma once
// Proof that an upgrade comes from the maker: a detached ECDSA P-256 signature over the
// file's SHA-256, as `openssl dgst -sha256 -sign` writes it (DER), served beside the file
// under its name + ".sig" and checked against the public key built into the program.
// The formats are read here, once for both programs; the system's own cryptography
// (OpenSSL, CNG) does the arithmetic through a SignatureCheck.

#include "update/update_decisions.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>

// The signature's two numbers r and s, each 32 bytes, big-endian.
using RawSignature = std::array<unsigned char, 64>;
// The public key's point, uncompressed: 0x04, then x and y, 32 bytes each.
using PublicPoint = std::array<unsigned char, 65>;

// A DER P-256 signature takes at most 72 bytes; a signature file is never read beyond this.
constexpr std::size_t kMaxSignatureBytes = 256;

std::string signatureFileName(const std::string& fileName);
// r and s of a DER signature; nothing unless it is exactly one well-formed pair of
// positive integers that fit 32 bytes.
std::optional<RawSignature> rawSignature(const std::string& der);
// The point of a P-256 "PUBLIC KEY" (SubjectPublicKeyInfo) given as its PEM Base64 text;
// nothing for any other key or text.
std::optional<PublicPoint> publicPoint(const std::string& base64);
// The Base64 text of the key this program was built with (VTR_UPDATE_PUBLIC_KEY).
std::string builtInUpdateKey();

// The system's check: whether `signature` is the key's signature of the SHA-256 of the
// file at `path`. False when the file cannot be read.
using SignatureCheck = bool (*)(const std::string& path, const RawSignature& signature,
                                const PublicPoint& key);

// What the upgrade window offers these last steps.
class UpgradeWindowSteps {
public:
    virtual ~UpgradeWindowSteps() = default;
    // A file of the update folder, at most `maxBytes` of it; nothing on any failure or
    // when it is longer.
    virtual std::optional<std::string> fetchBeside(const std::string& name,
                                                   std::size_t maxBytes) = 0;
    virtual void setStatus(const std::string& text) = 0;
    virtual void tell(const UpdateMessage& message) = 0;
    // Starts what was downloaded (cmdInstall_Click).
    virtual void install() = 0;
};

// Runs once the whole file is at `path`: fetches its signature and proves it against the
// key (`keyBase64`); proven, the window says the download is complete and installs it.
// Unproven (no signature, a wrong one, another file's, an unusable key), the file is
// deleted, the window says it could not be verified and nothing is started.
void finishUpgrade(UpgradeWindowSteps& window, const std::string& path, const std::string& fileName,
                   const std::string& keyBase64, SignatureCheck check);
