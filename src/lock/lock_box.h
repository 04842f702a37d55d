#pragma once
// The lock's password box, for every lock screen: what it holds and what each key does
// to it. The text is held as Windows-1252 codes, at most 255 of them as a password file
// holds; a typed character that has no code is held as one that no password matches,
// so that a different text can never pass for the password. The stored password is
// checked on every key going down, before that key's character lands, and on a click;
// Enter with a wrong text empties the box and counts as a wrong try.

#include "store/password_file.h"

#include <cstddef>
#include <string>
#include <vector>

// The panel's line for a few seconds after a wrong password.
extern const char* const kWrongPasswordText; // "Wrong password"
constexpr int kWrongPasswordShownMs = 3000;
// The panel's line while Caps Lock is on.
extern const char* const kCapsLockText; // "Caps Lock is on"
// What is told after the unlock about the wrong tries made while it was locked; empty
// when there were none.
std::string wrongTriesText(int tries);

class LockBox {
public:
    static constexpr std::size_t kMaxLength = kMaxPasswordLength;
    // What a key does besides the check.
    enum class Key {
        Character, // types its text, if any (controls type nothing)
        Backspace, // takes the last character back
        Enter,     // gives the text: a wrong one is emptied and counted
        Clear,     // (Escape) empties the box, counting nothing
    };
    enum class Answer {
        None,          // the key did what it does; the lock stays
        Unlock,        // the text held before the key was the password
        WrongPassword, // Enter gave a wrong text, now gone
    };

    // `password`: the text that unlocks, Windows-1252.
    explicit LockBox(std::string password) : password_(std::move(password)) {}
    // A key went down with the text it types (UTF-8, empty for keys that type nothing).
    // Enter on an empty box is no try: it is how many wake a screen.
    Answer keyDown(Key key, const std::string& utf8 = std::string());
    // The check alone, as a click makes it.
    bool matches() const;
    // Characters held: the box shows one "*" for each.
    std::size_t length() const { return codes_.size(); }
    // Enters with a wrong text since the box was made.
    int wrongTries() const { return wrongTries_; }

private:
    std::string password_;
    std::vector<int> codes_; // -1 for a character with no code
    int wrongTries_ = 0;
};
