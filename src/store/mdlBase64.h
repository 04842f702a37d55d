#pragma once
// The text codec of the password file: Base64 without padding, then a reversible
// shift-and-reverse scramble whose two keys travel inside the scrambled text.
// It hides the stored values from a casual glance; it is not encryption.
// All text is single-byte (Windows-1252) held in std::string.

#include <cstdint>
#include <optional>
#include <string>

// The one-character text at that position of the alphabet; empty when out of range.
std::string base64Char(int16_t value);
// Position of a one-character text in the alphabet (case-sensitive); -1 when empty or absent.
int16_t base64Index(const std::string& text);
std::string base64Encode(const std::string& text);
// Decodes in fixed groups of four; never fails (see the .cpp for the quirks kept).
std::string base64Decode(const std::string& text);
// Draws two keys from the random source. Empty when a shifted code leaves 0..255.
std::optional<std::string> scrambleText(const std::string& text);
// Empty when shorter than two characters or a restored code leaves 0..255.
std::optional<std::string> unscrambleText(const std::string& text);
