// The password file: what the writer produces, what the reader makes of any content,
// and the partial values the globals keep when a read fails part-way.

#include "platform/program_folder.h"
#include "platform/random_source.h"
#include "store/mdlBase64.h"
#include "store/mdlGlobal.h"
#include "store/password_file.h"
#include "store/text_rules.h"
#include "support/check.h"
#include "support/temp_dir.h"

#include <fstream>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace mdlGlobal;

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// One stored line with chosen keys, as a writer with those draws would make it.
std::string storedLine(const std::string& value, int keyA, int keyB) {
    const std::string encoded = base64Encode(value);
    std::string body;
    for (char c : encoded)
        body.insert(body.begin(), static_cast<char>(static_cast<unsigned char>(c) + keyA - keyB));
    return static_cast<char>(keyA) + body + static_cast<char>(keyB);
}

void setGlobals(const std::string& marker) {
    strPassword = strQuestion = strAnswer = marker;
    intQuestion = -7;
}

void testWriterFormat() {
    resetRandomSource();
    const auto contents = passwordFileContents("abc", "What? = x", 2);
    CHECK(contents.has_value());
    // The first two draws are the worked example's keys A = 7, B = 3.
    CHECK_EQ(contents->substr(0, 8), std::string("\x07nN[]\x03\r\n"));
    CHECK_EQ(contents->substr(contents->size() - 5), std::string(" 2 \r\n"));
    const auto zero = *passwordFileContents("p", "q = a", 0);
    CHECK_EQ(zero.substr(zero.size() - 5), std::string(" 0 \r\n"));
}

// Random bytes from `allowed`, with blanks added at both ends now and then.
std::string randomText(std::mt19937& generator, const std::string& allowed, size_t maxLength) {
    std::string text(generator() % (maxLength + 1), ' ');
    for (char& c : text)
        c = allowed[generator() % allowed.size()];
    if (generator() % 3 == 0)
        text = "  " + text + " ";
    return text;
}

void testRoundTrips(const TempDir& dir) {
    std::string everyByte, noEquals;
    for (int code = 0; code < 256; ++code) {
        everyByte += static_cast<char>(code);
        if (code != '=')
            noEquals += static_cast<char>(code);
    }
    std::mt19937 generator(7);
    resetRandomSource();
    const std::string path = dir.file("vtrpwd.sys");
    for (int i = 0; i < 2000; ++i) {
        // Blanks added at the ends keep it within the 255 characters a password may have.
        const std::string password = randomText(generator, everyByte, 252);
        const std::string question = randomText(generator, noEquals, 40);
        const std::string answer = randomText(generator, noEquals, 40);
        const auto number = static_cast<int16_t>(generator() % 4);
        writeFile(path,
                  *passwordFileContents(password, question + " = " + trimBlanks(answer), number));
        setGlobals("old");
        CHECK(readPasswordFileAt(path));
        CHECK_EQ(strPassword, password);
        CHECK_EQ(strQuestion, trimBlanks(question));
        CHECK_EQ(strAnswer, trimBlanks(answer));
        CHECK_EQ(intQuestion, number);
    }
    // "=" inside the answer cuts it; inside the question it moves the rest to the answer.
    writeFile(path, *passwordFileContents(" p=w ", "Q = a=b", 3));
    CHECK(readPasswordFileAt(path));
    CHECK_EQ(strPassword, std::string(" p=w "));
    CHECK_EQ(strAnswer, std::string("a"));
    writeFile(path, *passwordFileContents("p", "Why=how = a", 3));
    CHECK(readPasswordFileAt(path));
    CHECK_EQ(strQuestion, std::string("Why"));
    CHECK_EQ(strAnswer, std::string("how"));
}

void testLinesBeginningWithLineFeedOrEndingWithNul(const TempDir& dir) {
    const std::string path = dir.file("vtrpwd.sys");
    // Key A = 10 begins a line with LF, key B = 0 ends it with NUL; shift +10 and -4
    // and +1 put commas into the body. None of these may cut a line.
    const std::pair<int, int> keys[] = {{10, 0}, {10, 5}, {1, 5}, {4, 3}, {1, 0}};
    for (const auto& [keyA, keyB] : keys) {
        writeFile(path, storedLine("pa+s/s0", keyA, keyB) + "\r\n" +
                            storedLine("Colour? = Blue, green", keyB == 0 ? 10 : keyA, keyB) +
                            "\r\n2\r\n");
        setGlobals("old");
        CHECK(readPasswordFileAt(path));
        CHECK_EQ(strPassword, std::string("pa+s/s0"));
        CHECK_EQ(strQuestion, std::string("Colour?"));
        CHECK_EQ(strAnswer, std::string("Blue, green"));
        CHECK_EQ(intQuestion, int16_t{2});
    }
}

struct DamageCase {
    const char* name;
    std::string contents;
    bool result;
    std::string password, question, answer;
    int16_t number;
};

void testDamagedFiles(const TempDir& dir) {
    const std::string path = dir.file("vtrpwd.sys");
    const std::string l1 = storedLine("secret", 7, 3) + "\r\n";
    const std::string l2 = storedLine("Sport? = golf = extra", 7, 3) + "\r\n";
    const std::string old = "old";
    const DamageCase cases[] = {
        {"empty file", "", false, old, old, old, -7},
        {"one-character line 1", "x\r\n", false, old, old, old, -7},
        {"restored code out of range", std::string("\x0a\x02\x00\r\n", 5), false, old, old, old,
         -7},
        {"only line 1", l1, false, "secret", old, old, -7},
        {"line 2 without =", l1 + storedLine("no equals", 7, 3) + "\r\n1\r\n", false, "secret",
         "no equals", old, -7},
        {"line 2 decodes empty", l1 + storedLine("", 7, 3) + "\r\n1\r\n", false, "secret", old, old,
         -7},
        {"two lines", l1 + l2, false, "secret", "Sport?", "golf", -7},
        {"line 3 not a number", l1 + l2 + " two \r\n", false, "secret", "Sport?", "golf", -7},
        {"line 3 out of range", l1 + l2 + "40000\r\n", false, "secret", "Sport?", "golf", -7},
        {"line 3 empty", l1 + l2 + "\r\n", false, "secret", "Sport?", "golf", -7},
        {"line 3 without blanks and line end", l1 + l2 + "3", true, "secret", "Sport?", "golf", 3},
        {"line 3 negative", l1 + l2 + " -32768 \r\n", true, "secret", "Sport?", "golf", -32768},
        {"lines after the third ignored", l1 + l2 + " 1 \r\ngarbage", true, "secret", "Sport?",
         "golf", 1},
        {"line over 64 KiB", std::string(70000, 'A') + "\r\n" + l2 + " 1 \r\n", false, old, old,
         old, -7},
        // The password box takes 255 characters: a longer password could never be typed.
        {"password of 255 characters",
         storedLine(std::string(255, 'p'), 7, 3) + "\r\n" + l2 + " 1 \r\n", true,
         std::string(255, 'p'), "Sport?", "golf", 1},
        {"password of 256 characters",
         storedLine(std::string(256, 'p'), 7, 3) + "\r\n" + l2 + " 1 \r\n", false, old, old, old,
         -7},
        {"lone LF does not end a line", storedLine("secret", 7, 3) + "\n" + l2 + " 1 \r\n", false,
         old, old, old, -7},
    };
    for (const auto& c : cases) {
        writeFile(path, c.contents);
        setGlobals(old);
        const bool result = readPasswordFileAt(path);
        if (result != c.result || strPassword != c.password || strQuestion != c.question ||
            strAnswer != c.answer || intQuestion != c.number)
            std::cerr << "case: " << c.name << "\n";
        CHECK_EQ(result, c.result);
        CHECK_EQ(strPassword, c.password);
        CHECK_EQ(strQuestion, c.question);
        CHECK_EQ(strAnswer, c.answer);
        CHECK_EQ(intQuestion, c.number);
    }
    setGlobals(old);
    CHECK(!readPasswordFileAt(dir.file("missing")));
    CHECK(!readPasswordFileAt(dir.path()));
    // A pipe of that name must not hang the reader; the alarm ends the test if it does.
    mkfifo(dir.file("pipe").c_str(), 0600);
    alarm(5);
    CHECK(!readPasswordFileAt(dir.file("pipe")));
    alarm(0);
    CHECK_EQ(strPassword, old);
}

void testReadsFromTheProgramFolder(const TempDir& dir) {
    setProgramFolder(dir.path());
    resetRandomSource();
    writeFile(dir.file("vtrpwd.sys"), *passwordFileContents("pw", "Q = A", 1));
    CHECK(readPasswordFile("vtrpwd.sys"));
    CHECK_EQ(strPassword, std::string("pw"));
    CHECK(!readPasswordFile("absent.sys"));
}

} // namespace

int main() {
    TempDir dir;
    testWriterFormat();
    testRoundTrips(dir);
    testLinesBeginningWithLineFeedOrEndingWithNul(dir);
    testDamagedFiles(dir);
    testReadsFromTheProgramFolder(dir);
    return checkSummary("test_password_file");
}
