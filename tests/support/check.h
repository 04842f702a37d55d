#pragma once
// A minimal checker for the toolkit-free tests, which link no Qt.
//   CHECK(cond); CHECK_EQ(a, b); then `return checkSummary("name");` from main.

#include <iostream>
#include <sstream>
#include <string>

namespace check {
inline int& failures() {
    static int count = 0;
    return count;
}
inline int& passes() {
    static int count = 0;
    return count;
}
inline std::string printable(const std::string& text) {
    std::ostringstream out;
    for (unsigned char c : text) {
        if (c >= 32 && c < 127)
            out << c;
        else
            out << "\\x" << std::hex << static_cast<int>(c) << std::dec;
    }
    return out.str();
}
template <class T> std::string show(const T& value) {
    std::ostringstream out;
    out << value;
    return out.str();
}
inline std::string show(const std::string& value) {
    return '"' + printable(value) + '"';
}
inline std::string show(const char* value) {
    return show(std::string(value));
}
} // namespace check

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (cond) {                                                                                \
            ++check::passes();                                                                     \
        } else {                                                                                   \
            ++check::failures();                                                                   \
            std::cerr << __FILE__ << ":" << __LINE__ << ": CHECK(" #cond ") failed\n";             \
        }                                                                                          \
    } while (0)

#define CHECK_EQ(actual, expected)                                                                 \
    do {                                                                                           \
        const auto& a_ = (actual);                                                                 \
        const auto& e_ = (expected);                                                               \
        if (a_ == e_) {                                                                            \
            ++check::passes();                                                                     \
        } else {                                                                                   \
            ++check::failures();                                                                   \
            std::cerr << __FILE__ << ":" << __LINE__ << ": " #actual " is " << check::show(a_)     \
                      << ", expected " << check::show(e_) << "\n";                                 \
        }                                                                                          \
    } while (0)

inline int checkSummary(const char* name) {
    std::cout << name << ": " << check::passes() << " checks passed, " << check::failures()
              << " failed\n";
    return check::failures() == 0 ? 0 : 1;
}
