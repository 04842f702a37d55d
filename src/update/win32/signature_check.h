#pragma once
// The Windows program's signature check, with the system's CNG (bcrypt.dll).

#include "update/upgrade_proof.h"

bool cngSignatureCheck(const std::string& path, const RawSignature& signature,
                       const PublicPoint& key);
