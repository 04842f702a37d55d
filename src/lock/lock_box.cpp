#include "lock/lock_box.h"

#include "store/ansi_codes.h"

const char* const kWrongPasswordText = "Wrong password";
const char* const kCapsLockText = "Caps Lock is on";

std::string wrongTriesText(int tries) {
    if (tries <= 0)
        return {};
    const std::string times = tries == 1 ? "once" : std::to_string(tries) + " times";
    return "A wrong password was typed " + times + " while the desktop was locked.";
}

LockBox::Answer LockBox::keyDown(Key key, const std::string& utf8) {
    if (matches())
        return Answer::Unlock;
    switch (key) {
    case Key::Character:
        for (const int code : utf8ToAnsi(utf8)) {
            const bool control = code >= 0 && (code < 0x20 || code == 0x7F);
            if (!control && codes_.size() < kMaxLength)
                codes_.push_back(code);
        }
        break;
    case Key::Backspace:
        if (!codes_.empty())
            codes_.pop_back();
        break;
    case Key::Enter:
        if (codes_.empty())
            break;
        codes_.clear();
        ++wrongTries_;
        return Answer::WrongPassword;
    case Key::Clear:
        codes_.clear();
        break;
    }
    return Answer::None;
}

bool LockBox::matches() const {
    if (codes_.size() != password_.size())
        return false;
    for (std::size_t i = 0; i < codes_.size(); ++i) {
        if (codes_[i] != static_cast<unsigned char>(password_[i]))
            return false;
    }
    return true;
}
