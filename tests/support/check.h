#pragma once
// A minimal checker for the toolkit-free tests, which link no Qt.
//   CHECK(cond); CHECK_EQ(a, b); then `return checkSummary("name");` from main.

#include <iostream>
#include <sstream>
#include <string>
#include <type_traits>

namespace check {
inline int failures = 0, passes = 0;
template <class T> std::string show(const T& value) {
    std::ostringstream out;
    if constexpr (std::is_convertible_v<T, std::string>) {
        out << '"' << std::hex;
        for (const unsigned char c : std::string(value)) {
            if (c >= 32 && c < 127)
                out << c;
            else
                out << "\\x" << static_cast<int>(c);
        }
        out << '"';
    } else {
        out << value;
    }
    return out.str();
}
inline void report(bool ok, const char* where, int line, const std::string& what) {
    ++(ok ? passes : failures);
    if (!ok)
        std::cerr << where << ":" << line << ": " << what << "\n";
}
} // namespace check

#define CHECK(cond) check::report((cond), __FILE__, __LINE__, "CHECK(" #cond ") failed")
#define CHECK_EQ(actual, expected)                                                                 \
    do {                                                                                           \
        const auto& a_ = (actual);                                                                 \
        const auto& e_ = (expected);                                                               \
        check::report(a_ == e_, __FILE__, __LINE__,                                                \
                      #actual " is " + check::show(a_) + ", expected " + check::show(e_));         \
    } while (0)

inline int checkSummary(const char* name) {
    std::cout << name << ": " << check::passes << " checks passed, " << check::failures
              << " failed\n";
    return check::failures == 0 ? 0 : 1;
}
