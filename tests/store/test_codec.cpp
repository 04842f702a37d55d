// The Base64-and-scramble codec: known values, the decoder's quirks that stored files
// rely on, the scramble keys from the random source, and round trips.

#include "platform/random_source.h"
#include "store/mdlBase64.h"
#include "support/check.h"

#include <random>

namespace {

std::string bytes(std::initializer_list<int> codes) {
    std::string text;
    for (int c : codes)
        text += static_cast<char>(c);
    return text;
}

void testAlphabetLookups() {
    CHECK_EQ(base64Char(0), std::string("A"));
    CHECK_EQ(base64Char(26), std::string("a"));
    CHECK_EQ(base64Char(63), std::string("/"));
    CHECK_EQ(base64Char(-1), std::string());
    CHECK_EQ(base64Char(64), std::string());
    CHECK_EQ(base64Index("a"), int16_t{26});
    CHECK_EQ(base64Index("A"), int16_t{0});
    CHECK_EQ(base64Index("/"), int16_t{63});
    CHECK_EQ(base64Index("="), int16_t{-1});
    CHECK_EQ(base64Index(""), int16_t{-1});
    CHECK_EQ(base64Index(std::string(1, '\0')), int16_t{-1});
}

void testEncode() {
    const std::pair<std::string, std::string> table[] = {{"", ""},
                                                         {"a", "YQ"},
                                                         {"ab", "YWI"},
                                                         {"abc", "YWJj"},
                                                         {"abcd", "YWJjZA"},
                                                         {bytes({0xFF, 0xFE, 0x00}), "//4A"},
                                                         {"a = b", "YSA9IGI"}};
    for (const auto& [plain, encoded] : table)
        CHECK_EQ(base64Encode(plain), encoded);
}

void testDecodeQuirks() {
    const std::pair<std::string, std::string> table[] = {
        {"YQ==", "a"},
        {"YQ", "a"},
        {"YWJj", "abc"},
        {"YWJjZ", "abc"}, // a lone character after the last group gives nothing
        {"", ""},
        {"Y=Jj", bytes({0xF2, 'c'})},        // only the right-hand digit is tested
        {"=AAA", bytes({0xFC, 0x00, 0x00})}, // k1 = -1 with k2 = 0 gives 252
        {"YW=j", bytes({'a', 0xE3})}, // third place bad: the second byte goes, the third stays
        {"YWJ=", "ab"},               // fourth place bad: only the third byte goes
        {"Y Q=", bytes({0xF4})},      // a blank takes its place in the group
        {"YWJj\r\nYQ", bytes({'a', 'b', 'c', 0xF6, 0x10})},
    };
    for (const auto& [encoded, plain] : table)
        CHECK_EQ(base64Decode(encoded), plain);
}

void testRandomSourceGivesTheWorkedExampleKeys() {
    resetRandomSource();
    const auto scrambled = scrambleText("YWJj");
    CHECK(scrambled.has_value());
    CHECK_EQ(*scrambled, bytes({0x07, 0x6E, 0x4E, 0x5B, 0x5D, 0x03}));
    CHECK_EQ(unscrambleText(*scrambled).value_or("?"), std::string("YWJj"));
    CHECK_EQ(base64Decode(*unscrambleText(*scrambled)), std::string("abc"));
    // Every value stays in [0, 1) and the sequence is the same after a reset.
    resetRandomSource();
    const float first = nextRandom();
    for (int i = 0; i < 100000; ++i) {
        const float value = nextRandom();
        CHECK(value >= 0.0f && value < 1.0f);
    }
    resetRandomSource();
    CHECK_EQ(nextRandom(), first);
}

void testScrambleKeysStayInRange() {
    resetRandomSource();
    int sawKeyA10 = 0, sawKeyB0 = 0;
    for (int i = 0; i < 5000; ++i) {
        const auto scrambled = scrambleText("");
        CHECK(scrambled && scrambled->size() == 2);
        const int keyA = static_cast<unsigned char>((*scrambled)[0]);
        const int keyB = static_cast<unsigned char>((*scrambled)[1]);
        CHECK(keyA >= 1 && keyA <= 10);
        CHECK(keyB >= 0 && keyB <= 5);
        sawKeyA10 += keyA == 10;
        sawKeyB0 += keyB == 0;
    }
    CHECK(sawKeyA10 > 0); // so stored lines can begin with LF ...
    CHECK(sawKeyB0 > 0);  // ... and end with NUL
}

void testUnscrambleFailures() {
    CHECK(!unscrambleText("").has_value());
    CHECK(!unscrambleText("x").has_value());
    CHECK_EQ(unscrambleText(bytes({5, 3})).value_or("?"), std::string());
    // A restored code outside 0..255 is damage.
    CHECK(!unscrambleText(bytes({10, 2, 0})).has_value());
    CHECK(!unscrambleText(bytes({1, 0xFE, 5})).has_value());
    // Shifting 0xFF up leaves the byte range, so scrambling refuses it.
    resetRandomSource();
    CHECK(!scrambleText(bytes({0xFF})).has_value());
}

void testRoundTripsOverRandomText() {
    std::mt19937 generator(20261206);
    resetRandomSource();
    for (int i = 0; i < 3000; ++i) {
        std::string plain(generator() % 40, '\0');
        for (char& c : plain)
            c = static_cast<char>(generator() % 256);
        const std::string encoded = base64Encode(plain);
        CHECK_EQ(encoded.size(),
                 plain.size() / 3 * 4 + (plain.size() % 3 ? plain.size() % 3 + 1 : 0));
        const auto scrambled = scrambleText(encoded);
        CHECK(scrambled && scrambled->size() == encoded.size() + 2);
        const auto restored = unscrambleText(scrambled.value_or(""));
        CHECK_EQ(restored.value_or("?"), encoded);
        CHECK_EQ(base64Decode(restored.value_or("")), plain);
    }
}

} // namespace

int main() {
    testAlphabetLookups();
    testEncode();
    testDecodeQuirks();
    testRandomSourceGivesTheWorkedExampleKeys();
    testScrambleKeysStayInRange();
    testUnscrambleFailures();
    testRoundTripsOverRandomText();
    return checkSummary("test_codec");
}
