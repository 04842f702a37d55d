#pragma once
// Leading and trailing spaces removed (spaces only; tabs and line breaks stay), for
// text that is still a QString: what the user typed may hold characters that have no
// single-byte code, and comparing those must not go through a lossy conversion.

#include <QString>

QString trimSpaces(const QString& text);
