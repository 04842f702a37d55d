#pragma once
// Small text rules shared by the store, the commands and the update check.

#include <string>

// Removes leading and trailing blanks (spaces only; tabs and line breaks stay).
std::string trimBlanks(const std::string& text);
