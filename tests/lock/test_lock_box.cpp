// The lock's password box without a toolkit: typed text into Windows-1252 codes; what
// each key does to the box (the check before the key lands, Backspace, the length bound,
// Enter with a wrong text, the count of wrong tries); and the shared key translator where
// tests/whole/test_lock.py does not reach: the compose tables of the user's locale
// or of none, a sequence they lack, the keys that act on the box.

#include "lock/linux/key_translator.h"
#include "lock/lock_box.h"
#include "store/ansi_codes.h"
#include "support/check.h"

#include <cstdlib>
#include <tuple>
#include <vector>
#include <xkbcommon/xkbcommon.h>

namespace {

// UTF-8 (well-formed or not) into Windows-1252 codes, -1 for each character without one
// and for each byte that starts no character.
void testUtf8ToAnsi() {
    const std::pair<const char*, std::vector<int>> rows[] = {
        {"", {}},
        {"a Z~", {0x61, 0x20, 0x5a, 0x7e}},
        {"\xE2\x82\xAC", {0x80}},               // euro sign
        {"\xC3\xA9\xC3\xBF", {0xe9, 0xff}},     // e acute, y diaeresis: Latin-1
        {"\xC5\xB8\xE2\x84\xA2", {0x9f, 0x99}}, // Y diaeresis, trade mark: the codes Latin-1 lacks
        {"\xC2\x81\xC2\x80", {0x81, -1}},       // an undefined code's control; another has none
        {"\xE4\xB8\xAD", {-1}},                 // a character with no code: one, not dropped
        {"\xF0\x9F\x98\x80\x62", {-1, 0x62}},   // four bytes
        {"\xC3", {-1}},                         // cut short
        {"\xC0\xAF", {-1, -1}},                 // overlong "/"
        {"\xED\xA0\x80", {-1, -1, -1}},         // a surrogate
        {"\xF4\x90\x80\x80", {-1, -1, -1, -1}}, // beyond U+10FFFF
        {"\x80\x61", {-1, 0x61}},               // a stray continuation byte
    };
    for (const auto& [utf8, codes] : rows)
        check::report(utf8ToAnsi(utf8) == codes, __FILE__, __LINE__,
                      "read wrongly: " + check::show(utf8));
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
    run("Backspace takes one back; controls and an empty Enter do nothing; any key unlocks",
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
    LockBox bounded(std::string(255, 'k'));
    CHECK(bounded.keyDown(Key::Character, std::string(300, 'k')) == Answer::None);
    CHECK_EQ(bounded.length(), std::size_t{255});
    CHECK(bounded.matches());
    LockBox oneMore(std::string(254, 'k') + "\xE9");
    oneMore.keyDown(Key::Character, std::string(254, 'k') + "\xC3\xA9" + "k");
    CHECK(oneMore.matches()); // the 256th is not taken

    CHECK(wrongTriesText(12).find(" 12 times") != std::string::npos);
}

// xkb key codes of a pc105 keyboard (evdev + 8).
enum : uint32_t { kEscape = 9, kAE12 = 21, kBackspace = 22, kQ = 24, kE = 26, kReturn = 36 };
constexpr uint32_t kKPEnter = 104;

void testKeys() {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names german{"evdev", "pc105", "de", "", ""};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &german, XKB_KEYMAP_COMPILE_NO_FLAGS);
    // The dead acute, then a key: in a locale the tables lack, the common sequences; a
    // sequence they lack gives the key's own letter.
    for (const auto& [locale, after, typed] : {std::tuple{"en_US.UTF-8", kE, "\xC3\xA9"},
                                               {"xx_XX.UTF-8", kE, "\xC3\xA9"},
                                               {"C", kQ, "q"}}) {
        setenv("LC_ALL", locale, 1);
        KeyTranslator keys(keymap);
        std::string text = keys.press(kAE12).text;
        text += keys.press(after).text;
        CHECK_EQ(text, std::string(typed));
    }
    unsetenv("LC_ALL");
    KeyTranslator keys(keymap);
    const std::pair<uint32_t, Key> kinds[] = {{kReturn, Key::Enter},
                                              {kKPEnter, Key::Enter},
                                              {kBackspace, Key::Backspace},
                                              {kEscape, Key::Clear},
                                              {kQ, Key::Character}};
    for (const auto& [code, kind] : kinds)
        CHECK(lockBoxKey(keys.press(code).keysym) == kind);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
}

} // namespace

int main() {
    testUtf8ToAnsi();
    testBox();
    testKeys();
    return checkSummary("test_lock_box");
}
