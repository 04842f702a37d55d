// libFuzzer target: the password-file reader and the codec on arbitrary bytes.
// Any input must give a clean result (no crash, no hang, no undefined behaviour), and
// the codec's round trips must hold for whatever text the input is.

#include "store/mdlBase64.h"
#include "store/password_file.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    std::istringstream file(bytes);
    readPasswordStream(file);

    base64Decode(bytes);
    if (const auto restored = unscrambleText(bytes))
        base64Decode(*restored);

    const std::string encoded = base64Encode(bytes);
    if (base64Decode(encoded) != bytes)
        std::abort();
    const auto scrambled = scrambleText(encoded);
    if (!scrambled || unscrambleText(*scrambled) != encoded)
        std::abort();
    return 0;
}
