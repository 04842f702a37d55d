// The lock's password box without a toolkit: typed text into Windows-1252 codes, and
// what each key does to the box (the check before the key lands, Backspace, the length
// bound, Enter with a wrong text, the count of wrong tries).

#include "lock/lock_box.h"
#include "store/ansi_codes.h"
#include "support/check.h"

#include <sstream>

namespace {

std::string codes(const std::string& utf8) {
    std::ostringstream out;
    for (const int code : utf8ToAnsi(utf8)) {
        out << (out.tellp() ? " " : "");
        if (code < 0)
            out << "-1";
        else
            out << std::hex << code;
    }
    return out.str();
}

void testUtf8ToAnsi() {
    const std::pair<const char*, const char*> rows[] = {
        {"", ""},
        {"a Z~", "61 20 5a 7e"},
        {"\xE2\x82\xAC", "80"},            // euro sign
        {"\xC3\xA9\xC3\xBF", "e9 ff"},     // e acute, y diaeresis: Latin-1
        {"\xC5\xB8\xE2\x84\xA2", "9f 99"}, // Y diaeresis, trade mark: the codes Latin-1 lacks
        {"\xC2\x81\xC2\x80", "81 -1"},     // an undefined code's control; another control has none
        {"\xE4\xB8\xAD", "-1"},            // a character with no code: one, not dropped
        {"\xF0\x9F\x98\x80"
         "b",
         "-1 62"},                           // four bytes
        {"\xC3", "-1"},                      // cut short
        {"\xC0\xAF", "-1 -1"},               // overlong "/"
        {"\xED\xA0\x80", "-1 -1 -1"},        // a surrogate
        {"\xF4\x90\x80\x80", "-1 -1 -1 -1"}, // beyond U+10FFFF
        {"\x80"
         "a",
         "-1 61"}, // a stray continuation byte
    };
    for (const auto& [utf8, expected] : rows)
        CHECK_EQ(codes(utf8), std::string(expected));
    for (int code = 0; code < 256; ++code)
        CHECK_EQ(ansiCode(ansiCharacter(static_cast<unsigned char>(code))), code);
}

using Key = LockBox::Key;
using Answer = LockBox::Answer;

// Keys given to a box whose password is "pw\x80" ("pw" and the euro sign); after each
// key, the answer, then the number of characters held and the wrong tries.
struct Step {
    Key key;
    const char* text;
    Answer answer;
    std::size_t length;
    int tries;
};

void run(const char* name, std::initializer_list<Step> steps) {
    LockBox box("pw\x80");
    int i = 0;
    for (const Step& step : steps) {
        const Answer answer = box.keyDown(step.key, step.text);
        if (answer != step.answer || box.length() != step.length || box.wrongTries() != step.tries)
            check::report(false, name, i, "answer, length or tries differ");
        ++i;
        if (answer == Answer::Unlock)
            return;
    }
    check::report(true, name, i, "");
}

void testBox() {
    run("unlocks at the key after the password, whatever it is",
        {{Key::Character, "p", Answer::None, 1, 0},
         {Key::Character, "w\xE2\x82\xAC", Answer::None, 3, 0},
         {Key::Character, "x", Answer::Unlock, 3, 0}});
    run("Enter unlocks; a click's check sees the same",
        {{Key::Character, "pw\xE2\x82\xAC", Answer::None, 3, 0},
         {Key::Enter, "", Answer::Unlock, 3, 0}});
    run("Backspace takes one back; controls and an empty Enter do nothing",
        {{Key::Enter, "", Answer::None, 0, 0},
         {Key::Character, "\x16\t\x7f", Answer::None, 0, 0},
         {Key::Character, "pwx", Answer::None, 3, 0},
         {Key::Backspace, "\b", Answer::None, 2, 0},
         {Key::Character, "\xE2\x82\xAC", Answer::None, 3, 0},
         {Key::Backspace, "", Answer::Unlock, 3, 0}});
    run("Enter with a wrong text empties the box and counts it; Escape counts nothing",
        {{Key::Character, "PW\xE2\x82\xAC", Answer::None, 3, 0},
         {Key::Enter, "\r", Answer::WrongPassword, 0, 1},
         {Key::Character, "pw", Answer::None, 2, 1},
         {Key::Enter, "\r", Answer::WrongPassword, 0, 2},
         {Key::Character, "x", Answer::None, 1, 2},
         {Key::Clear, "\x1b", Answer::None, 0, 2},
         {Key::Backspace, "", Answer::None, 0, 2},
         {Key::Character, "pw\xE2\x82\xAC", Answer::None, 3, 2},
         {Key::Enter, "\r", Answer::Unlock, 3, 2}});
    // "pw" then a character with no code where the euro sign should be: never the password,
    // however "?" stands in for it elsewhere; erased, the right one opens.
    run("a character without a code matches nothing until erased",
        {{Key::Character, "pw\xE4\xB8\xAD", Answer::None, 3, 0},
         {Key::Character, "", Answer::None, 3, 0},
         {Key::Backspace, "", Answer::None, 2, 0},
         {Key::Character, "\xE2\x82\xAC", Answer::None, 3, 0},
         {Key::Character, "", Answer::Unlock, 3, 0}});

    LockBox full("");
    CHECK(full.matches()); // nothing stored: the first key or click opens
    CHECK(full.keyDown(Key::Character, "a") == Answer::Unlock);
    LockBox bounded(std::string(255, 'k'));
    CHECK(bounded.keyDown(Key::Character, std::string(300, 'k')) == Answer::None);
    CHECK_EQ(bounded.length(), std::size_t{255});
    CHECK(bounded.matches());
    LockBox oneMore(std::string(254, 'k') + "\xE9");
    oneMore.keyDown(Key::Character, std::string(254, 'k') + "\xC3\xA9" + "k");
    CHECK(oneMore.matches()); // the 256th is not taken

    CHECK_EQ(wrongTriesText(0), std::string());
    CHECK(wrongTriesText(1).find("once") != std::string::npos);
    CHECK(wrongTriesText(12).find(" 12 times") != std::string::npos);
}

} // namespace

int main() {
    testUtf8ToAnsi();
    testBox();
    return checkSummary("test_lock_box");
}
