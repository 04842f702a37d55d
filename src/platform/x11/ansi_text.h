#pragma once
// Where text crosses between Qt (QString) and the core (single bytes, Windows-1252).

#include <QString>
#include <string>

namespace platform {

// Every character must have a Windows-1252 code; any that has none becomes "?".
std::string toAnsi(const QString& text);
QString fromAnsi(const std::string& text);
// True when every character of `text` has a single-byte Windows-1252 code.
bool hasAnsiCodes(const QString& text);

} // namespace platform
