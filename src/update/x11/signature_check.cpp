#include "update/x11/signature_check.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <unistd.h>

namespace {

template <auto Free> struct Freer {
    template <class T> void operator()(T* pointer) const { Free(pointer); }
};
using Key = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY_free>>;
using KeyContext = std::unique_ptr<EVP_PKEY_CTX, Freer<EVP_PKEY_CTX_free>>;
using DigestContext = std::unique_ptr<EVP_MD_CTX, Freer<EVP_MD_CTX_free>>;
using Signature = std::unique_ptr<ECDSA_SIG, Freer<ECDSA_SIG_free>>;

Key p256Key(const PublicPoint& point) {
    char group[] = "prime256v1";
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, group, 0),
        OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY,
                                          const_cast<unsigned char*>(point.data()), point.size()),
        OSSL_PARAM_construct_end()};
    const KeyContext context(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    EVP_PKEY* key = nullptr;
    if (!context || EVP_PKEY_fromdata_init(context.get()) != 1 ||
        EVP_PKEY_fromdata(context.get(), &key, EVP_PKEY_PUBLIC_KEY, params) != 1)
        return nullptr;
    return Key(key);
}

// OpenSSL takes the signature in DER; r and s go back into one.
std::basic_string<unsigned char> derSignature(const RawSignature& raw) {
    const Signature signature(ECDSA_SIG_new());
    BIGNUM* r = BN_bin2bn(raw.data(), 32, nullptr);
    BIGNUM* s = BN_bin2bn(raw.data() + 32, 32, nullptr);
    if (!signature || !r || !s || ECDSA_SIG_set0(signature.get(), r, s) != 1) {
        BN_free(r);
        BN_free(s);
        return {};
    }
    unsigned char* der = nullptr;
    const int length = i2d_ECDSA_SIG(signature.get(), &der);
    if (length <= 0)
        return {};
    std::basic_string<unsigned char> bytes(der, static_cast<std::size_t>(length));
    OPENSSL_free(der);
    return bytes;
}

} // namespace

bool opensslSignatureCheck(const std::string& path, const RawSignature& signature,
                           const PublicPoint& point) {
    const Key key = p256Key(point);
    const std::basic_string<unsigned char> der = derSignature(signature);
    const DigestContext digest(EVP_MD_CTX_new());
    if (!key || der.empty() || !digest ||
        EVP_DigestVerifyInit(digest.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1)
        return false;
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return false;
    unsigned char block[1 << 16];
    ssize_t got = 0;
    bool hashed = true;
    while (hashed && (got = ::read(file, block, sizeof block)) != 0) {
        if (got < 0 && errno == EINTR)
            continue;
        hashed = got > 0 &&
                 EVP_DigestVerifyUpdate(digest.get(), block, static_cast<std::size_t>(got)) == 1;
    }
    ::close(file);
    return hashed && EVP_DigestVerifyFinal(digest.get(), der.data(), der.size()) == 1;
}
