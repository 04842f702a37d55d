#include "update/win32/signature_check.h"

#include <windows.h>

#include <bcrypt.h>
#include <cstring>
#include <vector>

namespace {

bool succeeded(NTSTATUS status) {
    return status >= 0;
}

struct Algorithm {
    explicit Algorithm(const wchar_t* name) {
        if (!succeeded(BCryptOpenAlgorithmProvider(&handle, name, nullptr, 0)))
            handle = nullptr;
    }
    ~Algorithm() {
        if (handle)
            BCryptCloseAlgorithmProvider(handle, 0);
    }
    BCRYPT_ALG_HANDLE handle = nullptr;
};

// The SHA-256 of the file, read in blocks; false when it cannot be read.
bool fileDigest(const std::string& path, unsigned char (&digest)[32]) {
    Algorithm sha256(BCRYPT_SHA256_ALGORITHM);
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (!sha256.handle ||
        !succeeded(BCryptCreateHash(sha256.handle, &hash, nullptr, 0, nullptr, 0, 0)))
        return false;
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    bool hashed = file != INVALID_HANDLE_VALUE;
    std::vector<unsigned char> block(1 << 16);
    for (DWORD got = 1; hashed && got > 0;) {
        hashed = ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &got, nullptr) &&
                 succeeded(BCryptHashData(hash, block.data(), got, 0));
    }
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    hashed = succeeded(BCryptFinishHash(hash, digest, sizeof digest, 0)) && hashed;
    BCryptDestroyHash(hash);
    return hashed;
}

} // namespace

bool cngSignatureCheck(const std::string& path, const RawSignature& signature,
                       const PublicPoint& key) {
    unsigned char digest[32];
    if (!fileDigest(path, digest))
        return false;
    // BCRYPT_ECCPUBLIC_BLOB: the header, then x and y (the point without its 0x04).
    std::vector<unsigned char> blob(sizeof(BCRYPT_ECCKEY_BLOB) + key.size() - 1);
    const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    std::memcpy(blob.data(), &header, sizeof header);
    std::memcpy(blob.data() + sizeof header, key.data() + 1, key.size() - 1);
    Algorithm ecdsa(BCRYPT_ECDSA_P256_ALGORITHM);
    BCRYPT_KEY_HANDLE publicKey = nullptr;
    if (!ecdsa.handle ||
        !succeeded(BCryptImportKeyPair(ecdsa.handle, nullptr, BCRYPT_ECCPUBLIC_BLOB, &publicKey,
                                       blob.data(), static_cast<ULONG>(blob.size()), 0)))
        return false;
    const bool valid = succeeded(BCryptVerifySignature(publicKey, nullptr, digest, sizeof digest,
                                                       const_cast<unsigned char*>(signature.data()),
                                                       static_cast<ULONG>(signature.size()), 0));
    BCryptDestroyKey(publicKey);
    return valid;
}
