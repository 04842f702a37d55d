#pragma once
// A minimal checker for the toolkit-free tests, which link no Qt.
//   CHECK(cond); CHECK_EQ(a, b); then `return checkSummary("name");` from main.

#include <iostream>
#include <sstream>
#include <string>
#include <type_traits>

namespace check {
inline int failures = 0, passes = 0;
// Strings shown with their unprintable bytes as \<decimal code>.
template <class T> std::string show(const T& value) {
    std::ostringstream out;
    if constexpr (std::is_convertible_v<T, std::string>)
        for (const unsigned char c : std::string(value))
            out << (c >= 32 && c < 127 ? std::string(1, char(c)) : "\\" + std::to_string(c));
    else
        out << value;
    return out.str();
}
inline void report(bool ok, const char* where, int line, const std::string& what) {
    ++(ok ? passes : failures);
    if (!ok)
        std::cerr << where << ":" << line << ": " << what << "\n";
}
template <class A, class E>
void equal(const A& a, const E& e, const char* what, const char* where, int line) {
    report(a == e, where, line, what + (" is \"" + show(a) + "\", expected \"" + show(e) + '"'));
}
} // namespace check

#define CHECK(cond) check::report((cond), __FILE__, __LINE__, "CHECK(" #cond ") failed")
#define CHECK_EQ(actual, expected) check::equal((actual), (expected), #actual, __FILE__, __LINE__)

inline int checkSummary(const char* name) {
    std::cout << name << ": " << check::passes << " checks passed, " << check::failures
              << " failed\n";
    return check::failures == 0 ? 0 : 1;
}
