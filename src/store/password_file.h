#pragma once
// The password file "vtrpwd.sys": three CR LF lines in the program folder.
//   1. the password as typed, encoded (base64Encode then scrambleText)
//   2. question + " = " + trimmed answer, encoded the same way
//   3. the question number with one blank before and after it
// Only CR LF ends a line: an encoded line may begin with LF and end with NUL.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

extern const char* const kPasswordFileName; // "vtrpwd.sys"
extern const char* const kPasswordTempName; // "vtrpwd.tmp"
// The password box takes no more; a longer stored password could never be typed.
constexpr std::size_t kMaxPasswordLength = 255;

// Reads the file of that bare name in the program folder into mdlGlobal's
// strPassword, strQuestion, strAnswer and intQuestion. True when all three lines were
// read and decoded, and the password is not longer than kMaxPasswordLength (a hand-edited
// file only: such a file holds no password). On failure the globals assigned before the failing
// line keep their new values and the others their old ones. Never throws; any content is safe.
bool readPasswordFile(const std::string& fileName);
// The same, on a full path.
bool readPasswordFileAt(const std::string& path);
// The same, on the file's bytes as a stream.
bool readPasswordStream(std::istream& in);

// The whole file for these values, drawing four keys from the random source.
// `remind` is the full second value (question, " = ", trimmed answer).
// Empty only when the codec refuses a value, which Base64 text never makes it do.
std::optional<std::string> passwordFileContents(const std::string& password,
                                                const std::string& remind, int16_t number);
