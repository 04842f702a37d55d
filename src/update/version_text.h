#pragma once
// How the server's version file is read: what the local copy holds and which part of it
// is compared with the running version. Text is single-byte, as fetched.

#include <string>

// The local copy "vtrver.txt": the fetched text without leading and trailing spaces,
// followed by CR LF.
std::string versionFileContents(const std::string& fetched);
// What precedes the first CR (a CR LF pair ends the line; a bare LF does not).
std::string firstLine(const std::string& text);
// The text with every LF and CR removed.
std::string withoutLineBreaks(const std::string& text);
// The server version text read back from a local copy: its first line without line
// breaks. Empty means the server could not be read.
std::string serverVersionText(const std::string& localCopy);
