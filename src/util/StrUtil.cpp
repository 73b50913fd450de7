#include "util/StrUtil.h"

#include <cctype>
#include <climits>

namespace ombrix {

std::string GetField(std::string_view text, int n, char delimiter) {
  if (text.size() <= 1) return {};
  if (text.find(delimiter) == std::string_view::npos) return std::string(text);
  if (n < 1) n = 1;
  size_t start = 0;
  for (int field = 1; field < n; ++field) {
    size_t pos = text.find(delimiter, start);
    if (pos == std::string_view::npos) return {};
    start = pos + 1;
  }
  size_t end = text.find(delimiter, start);
  if (end == std::string_view::npos) end = text.size();
  return std::string(text.substr(start, end - start));
}

int CountFields(std::string_view text, char delimiter) {
  int count = 0;
  for (char c : text)
    if (c == delimiter) ++count;
  return count == 0 ? 0 : count + 1;
}

static bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string TrimLeft(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  return std::string(text.substr(i));
}

std::string TrimRight(std::string_view text) {
  size_t n = text.size();
  while (n > 0 && IsBlank(text[n - 1])) --n;
  return std::string(text.substr(0, n));
}

std::string Trim(std::string_view text) { return TrimLeft(TrimRight(text)); }

std::string UpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string LowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

static char FoldCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

int CompareText(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(FoldCase(a[i]));
    unsigned char cb = static_cast<unsigned char>(FoldCase(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool StartsWithText(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

bool EndsWithText(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && SameText(text.substr(text.size() - suffix.size()), suffix);
}

bool TryParseInt(std::string_view raw, long long& value) {
  std::string text = Trim(raw);
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  } else if (i < text.size() && text[i] == '$') {  // Pascal-style hex also reads as hex
    base = 16;
    ++i;
  }
  if (i >= text.size()) return false;
  unsigned long long acc = 0;
  for (; i < text.size(); ++i) {
    int digit;
    char c = text[i];
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return false;
    acc = acc * base + digit;
    if (acc > 0xFFFFFFFFull) return false;
  }
  long long v = static_cast<long long>(acc);
  if (base == 16 && acc > INT_MAX) v = static_cast<int>(static_cast<unsigned>(acc));  // 32-bit hex wraps
  else if (base == 10 && acc > static_cast<unsigned long long>(INT_MAX) + (negative ? 1 : 0)) return false;
  value = negative ? -v : v;
  return true;
}

int StrToIntDef(std::string_view text, int def) {
  long long v;
  return TryParseInt(text, v) ? static_cast<int>(v) : def;
}

}  // namespace ombrix
