// The password file and its codec: the exact bytes a run writes, the decoder's quirks that
// stored files rely on, round trips, and what the reader makes of damaged content.

#include "platform/random_source.h"
#include "store/mdlBase64.h"
#include "store/mdlGlobal.h"
#include "store/password_file.h"
#include "store/text_rules.h"
#include "support/check.h"
#include "support/temp_dir.h"

#include <random>
#include <sstream>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using namespace mdlGlobal;

std::string fromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

// Reads `bytes` over globals set to "old"; "read" or "failed", then what the globals hold.
std::string read(const std::string& bytes) {
    strPassword = strQuestion = strAnswer = "old";
    intQuestion = -7;
    std::istringstream in(bytes);
    const bool result = readPasswordStream(in);
    return (result ? "read " : "failed ") + strPassword + "|" + strQuestion + "|" + strAnswer +
           "|" + std::to_string(intQuestion);
}

// Five saves in one run, twenty draws: the seventh and eleventh round to 0 (key A = 4),
// the eighteenth gives key B = 0. Earlier releases write exactly these bytes; the reader
// takes the keys from the text, so nothing else notices a change in how they are drawn.
// Then the decoder's quirks, which stored files rely on.
void testCodec() {
    const char* const golden[] = {
        "07674c67030d0a064a4c4e3e46585a010d0a2030200d0a",
        "03624762040d0a0445474939415355040d0a2031200d0a",
        "08674c67040d0a0447494b3b435557020d0a2032200d0a",
        "09684d68040d0a0444464838405254050d0a2033200d0a",
        "096c516c000d0a094c4e5040485a5c020d0a2034200d0a",
    };
    resetRandomSource();
    for (int16_t n = 0; n < 5; ++n)
        CHECK_EQ(passwordFileContents("pw", "Q = a", n).value_or("?"), fromHex(golden[n]));

    CHECK_EQ(base64Encode(fromHex("fffe00")), std::string("//4A"));
    const std::pair<std::string, std::string> decoded[] = {
        {"YQ==", "a"},
        {"YWJjZ", "abc"},            // a lone character after the last group gives nothing
        {"Y=Jj", fromHex("f263")},   // only the right-hand digit is tested
        {"=AAA", fromHex("fc0000")}, // k1 = -1 with k2 = 0 gives 252
        {"YW=j", fromHex("61e3")},   // third place bad: the second byte goes
        {"YWJ=", "ab"},              // fourth place bad: only the third byte goes
        {"Y Q=", fromHex("f4")},     // a blank takes its place in the group
        {"YWJj\r\nYQ", fromHex("616263f610")},
    };
    for (const auto& [encoded, plain] : decoded)
        CHECK_EQ(base64Decode(encoded), plain);
    CHECK(!unscrambleText("x").has_value());
    CHECK_EQ(unscrambleText(fromHex("0503")).value_or("?"), std::string());
    CHECK(!unscrambleText(fromHex("0a0200")).has_value()); // a restored code below 0
    resetRandomSource();
    CHECK(!scrambleText(fromHex("ff")).has_value()); // shifted past 255
}

// Any password, any question and answer without "=", any number; the keys drawn along the
// way begin lines with LF (key A = 10) and end them with NUL (key B = 0).
void testRoundTrips() {
    std::mt19937 generator(7);
    const auto text = [&](size_t maxLength, bool equalsAllowed) {
        std::string made(generator() % (maxLength + 1), ' ');
        for (char& c : made)
            while ((c = static_cast<char>(generator() % 256)) == '=' && !equalsAllowed) {
            }
        return generator() % 3 ? made : "  " + made + " ";
    };
    resetRandomSource();
    int startsWithLineFeed = 0, endsWithNul = 0;
    for (int i = 0; i < 2000; ++i) {
        // Blanks added at the ends keep it within the 255 characters a password may have.
        const std::string password = text(252, true), question = text(40, false),
                          answer = text(40, false);
        const auto number = static_cast<int16_t>(generator() % 4);
        const std::string file =
            *passwordFileContents(password, question + " = " + trimBlanks(answer), number);
        startsWithLineFeed += file[0] == '\n';
        endsWithNul += file.find(std::string("\0\r\n", 3)) != std::string::npos;
        CHECK_EQ(read(file), "read " + password + "|" + trimBlanks(question) + "|" +
                                 trimBlanks(answer) + "|" + std::to_string(number));
    }
    CHECK(startsWithLineFeed > 0 && endsWithNul > 0);
}

void testDamagedFiles(const TempDir& dir) {
    const auto lines = [](const std::string& remind) { // two lines with their CR LF
        const std::string file = *passwordFileContents("secret", remind, 0);
        return file.substr(0, file.size() - 5);
    };
    const std::string both = lines("Sport? = golf = extra"),
                      l1 = both.substr(0, both.find("\r\n") + 2);
    const std::pair<std::string, std::string> cases[] = {
        {"", "failed old|old|old|-7"},
        {l1, "failed secret|old|old|-7"},
        {lines("no equals") + "1\r\n", "failed secret|no equals|old|-7"},
        {lines("") + "1\r\n", "failed secret|old|old|-7"},
        // "=" inside the answer cuts it; inside the question it moves the rest to the answer.
        {both, "failed secret|Sport?|golf|-7"},
        {lines("Why=how = a") + "3", "read secret|Why|how|3"},
        {both + " two \r\n", "failed secret|Sport?|golf|-7"},
        {both + "40000\r\n", "failed secret|Sport?|golf|-7"},
        {both + " -32768 \r\n", "read secret|Sport?|golf|-32768"},
        {both + " 1 \r\ngarbage", "read secret|Sport?|golf|1"},
        {std::string(70000, 'A') + "\r\n" + both + " 1 \r\n", "failed old|old|old|-7"},
    };
    for (const auto& [contents, result] : cases)
        CHECK_EQ(read(contents), result);
    CHECK(!readPasswordFileAt(dir.file("missing")));
    CHECK(!readPasswordFileAt(dir.path()));
#ifndef _WIN32
    // A pipe of that name must not hang the reader; the alarm ends the test if it does.
    mkfifo(dir.file("pipe").c_str(), 0600);
    alarm(5);
    CHECK(!readPasswordFileAt(dir.file("pipe")));
    alarm(0);
#endif
}

} // namespace

int main() {
    TempDir dir;
    testCodec();
    testRoundTrips();
    testDamagedFiles(dir);
    return checkSummary("test_store");
}
