// What keys type through the shared key translator, on keymaps built as setxkbmap builds
// them: levels and groups, Caps Lock and Shift on letters beyond a-z, the keypad, dead keys
// with the compose tables of two locales, and what the lock's box makes of each key.

#include "lock/linux/key_translator.h"
#include "support/check.h"

#include <cstdlib>
#include <sstream>
#include <vector>
#include <xkbcommon/xkbcommon.h>

namespace {

// xkb key codes of a pc105 keyboard (evdev + 8).
enum : uint32_t {
    kEscape = 9,
    kAE02 = 11,
    kAE12 = 21,
    kBackspace = 22,
    kQ = 24,
    kE = 26,
    kAD11 = 34,
    kReturn = 36,
    kA = 38,
    kAC10 = 47,
    kAC11 = 48,
    kV = 55,
    kKP1 = 87,
    kKPEnter = 104
};

struct Press {
    uint32_t code;
    const char* held = "";   // modifiers held down, "Shift+Mod5"
    const char* locked = ""; // modifiers locked, "Lock+Mod2"
    uint32_t group = 0;
};

struct Row {
    const char* layout;
    const char* locale;
    std::vector<Press> keys;
    const char* typed; // what the keys type together, UTF-8
};

uint32_t mask(xkb_keymap* keymap, const std::string& names) {
    uint32_t bits = 0;
    std::istringstream in(names);
    for (std::string name; std::getline(in, name, '+');)
        bits |= 1u << xkb_keymap_mod_get_index(keymap, name.c_str());
    return bits;
}

xkb_keymap* keymapOf(xkb_context* context, const char* layout) {
    const xkb_rule_names names{"evdev", "pc105", layout, "", ""};
    return xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
}

void testRows() {
    const Row rows[] = {
        {"de", "C", {{kE, "Mod5"}}, "\xE2\x82\xAC"},        // AltGr+E
        {"de", "en_US.UTF-8", {{kAE12}, {kE}}, "\xC3\xA9"}, // dead acute, e
        {"de", "C", {{kAE12}, {kE}}, "\xC3\xA9"},           // the same without a locale
        {"de", "xx_XX.UTF-8", {{kAE12}, {kE}}, "\xC3\xA9"}, // one the tables lack
        {"de", "C", {{kAE12}, {kQ}}, "q"},                  // no such sequence
        {"de", "C", {{kAC11, "", "Lock"}}, "\xC3\x84"},     // Caps Lock on a-umlaut
        {"de",
         "C",
         {{kAC11, "Shift"}, {kA, "Shift", "Lock"}},
         "\xC3\x84"
         "a"},
        {"us,de", "C", {{kAC10, "", "", 1}, {kAC10}}, "\xC3\xB6;"}, // second group
        {"fr", "C", {{kAE02}, {kAD11}, {kE}}, "\xC3\xA9\xC3\xAA"},  // e acute; dead circumflex
        {"us", "C", {{kKP1, "", "Mod2"}, {kKP1}}, "1"},             // Num Lock on, then off
        {"us", "C", {{kV, "Control"}}, "\x16"},
    };
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    for (const Row& row : rows) {
        setenv("LC_ALL", row.locale, 1);
        xkb_keymap* keymap = keymapOf(context, row.layout);
        CHECK(keymap);
        if (!keymap)
            continue;
        KeyTranslator keys(keymap);
        xkb_keymap_unref(keymap);
        std::string typed;
        for (const Press& press : row.keys) {
            keys.updateMask(mask(keymap, press.held), 0, mask(keymap, press.locked), press.group);
            typed += keys.press(press.code).text;
            CHECK_EQ(keys.capsLockOn(), std::string(press.locked).find("Lock") == 0);
        }
        CHECK_EQ(typed, std::string(row.typed));
    }
    unsetenv("LC_ALL");
    xkb_context_unref(context);
}

// The keys that act on the box, and keys whose text it must not take.
void testBoxKeys() {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* keymap = keymapOf(context, "us");
    KeyTranslator keys(keymap);
    const std::pair<uint32_t, LockBox::Key> kinds[] = {{kReturn, LockBox::Key::Enter},
                                                       {kKPEnter, LockBox::Key::Enter},
                                                       {kBackspace, LockBox::Key::Backspace},
                                                       {kEscape, LockBox::Key::Clear},
                                                       {kQ, LockBox::Key::Character}};
    for (const auto& [code, kind] : kinds)
        CHECK(lockBoxKey(keys.press(code).keysym) == kind);
    LockBox box("v");
    keys.updateMask(mask(keymap, "Control"), 0, 0, 0);
    const KeyTranslator::Press paste = keys.press(kV);
    box.keyDown(lockBoxKey(paste.keysym), paste.text);
    CHECK_EQ(box.length(), std::size_t{0});
    // A new keymap: nothing held any more.
    xkb_keymap* german = keymapOf(context, "de");
    keys.setKeymap(german);
    CHECK_EQ(keys.press(kE).text, std::string("e"));
    xkb_keymap_unref(german);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
}

} // namespace

int main() {
    testRows();
    testBoxKeys();
    return checkSummary("test_key_translator");
}
