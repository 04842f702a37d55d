#pragma once
// The X11 program's signature check, with OpenSSL's libcrypto (the library Qt's HTTPS
// already loads).

#include "update/upgrade_proof.h"

bool opensslSignatureCheck(const std::string& path, const RawSignature& signature,
                           const PublicPoint& key);
