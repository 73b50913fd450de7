// Text helpers shared by every subsystem: field splitting, trimming and
// case handling as the program's 8-bit ANSI texts need them.
#pragma once
#include <string>
#include <string_view>

namespace ombrix {

// The n-th field (1-based; 0 counts as 1) of text split at delimiter.
// Texts of 0 or 1 characters give "", a text without the delimiter gives the
// whole text for every n, and a text with fewer than n fields gives "".
std::string GetField(std::string_view text, int n, char delimiter);

// Occurrences of delimiter plus one, or 0 when it does not occur.
int CountFields(std::string_view text, char delimiter);

std::string Trim(std::string_view text);       // blanks and control characters
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);
std::string UpperCase(std::string_view text);  // ASCII letters only
std::string LowerCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);  // ASCII case-insensitive
int CompareText(std::string_view a, std::string_view b);  // <0, 0, >0, ignoring case
bool StartsWith(std::string_view text, std::string_view prefix);
bool StartsWithText(std::string_view text, std::string_view prefix);  // ignoring case
bool EndsWithText(std::string_view text, std::string_view suffix);    // ignoring case

// Strict integer parsing: optional sign, decimal digits, or "0x"/"0X" hex.
// Surrounding blanks are allowed. Returns false when the text is not one.
bool TryParseInt(std::string_view text, long long& value);
// Integer with default: the value, or def when the text is not an integer.
int StrToIntDef(std::string_view text, int def);

}  // namespace ombrix
