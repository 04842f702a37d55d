#pragma once
// Windows-1252, the code page of the core's text, against Unicode: what crosses from the
// toolkits (UTF-16 in Qt, UTF-8 from the keyboard) into the core and back.

#include <string>
#include <vector>

// The Windows-1252 code of a Unicode character, or -1 where it has none. The five codes
// Windows leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 controls of
// the same value, as Windows' own conversion has them; every other code below 0x80 or
// from 0xA0 is Latin-1.
int ansiCode(char32_t character);
// The Unicode character of a Windows-1252 code.
char32_t ansiCharacter(unsigned char code);
// Each character of UTF-8 text as its Windows-1252 code, in order: -1 for a character
// that has none and for each byte that is not part of well-formed UTF-8 (overlong forms,
// surrogates and values beyond U+10FFFF included).
std::vector<int> utf8ToAnsi(const std::string& utf8);
