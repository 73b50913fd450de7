// Our own profile-file reader and writer. It gives the same answers as
// GetPrivateProfileStringA/WritePrivateProfileStringA (checked case by case
// against them under Wine by tests/util/win32), while keeping every line it
// does not change byte for byte, and it replaces the file atomically.
#include <cstddef>
#include <string>
#include <vector>

#include "util/FileUtil.h"
#include "util/ProfileFile.h"
#include "util/StrUtil.h"

namespace ombrix {

namespace {

// The profile functions' notion of a blank: the C white space characters and
// the DOS end-of-file mark ^Z. 0xA0 is not one.
bool IsProfileBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsProfileBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsProfileBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view TrimLeadingBlanks(std::string_view s) {
  while (!s.empty() && IsProfileBlank(s.front())) s.remove_prefix(1);
  return s;
}

// Matching quotes (' or ") at both ends of a value are removed on reading.
std::string_view StripQuotes(std::string_view s) {
  if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
    return s.substr(1, s.size() - 2);
  return s;
}

struct Line {
  enum Kind { kOther, kSection, kKey } kind = kOther;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // trimmed; keys only
  bool hasValue = false;   // a key line without "=" has none and reads as missing
};

Line Classify(std::string_view raw) {
  Line line;
  std::string_view text = TrimBlanks(raw);
  if (text.empty()) return line;
  if (text.front() == '[') {
    size_t close = text.rfind(']');
    if (close != std::string_view::npos && close > 0) {
      line.kind = Line::kSection;
      line.name = TrimBlanks(text.substr(1, close - 1));
      return line;
    }
  }
  // Everything else names a key, comments included (";x=1" is key ";x").
  line.kind = Line::kKey;
  size_t eq = text.find('=');
  if (eq == std::string_view::npos) {
    line.name = text;
    return line;
  }
  line.name = TrimBlanks(text.substr(0, eq));
  line.value = TrimBlanks(text.substr(eq + 1));
  line.hasValue = true;
  return line;
}

// The file split at CR LF, LF or a lone CR, as the profile functions read it.
std::vector<std::string_view> SplitLines(std::string_view content) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < content.size(); ++i) {
    char c = content[i];
    if (c != '\r' && c != '\n') continue;
    lines.push_back(content.substr(start, i - start));
    if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < content.size()) lines.push_back(content.substr(start));
  return lines;
}

// Where a section's lines lie: [begin, end). Lines before the first header
// form the nameless section. Only the first section of a name counts; keys
// in a later section of the same name are never seen.
struct SectionRange {
  bool found = false;
  size_t header = 0;  // index of the "[...]" line; begin - 1 unless nameless
  size_t begin = 0, end = 0;
};

SectionRange FindSection(const std::vector<Line>& lines, std::string_view section) {
  SectionRange r;
  size_t firstHeader = lines.size();
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i].kind == Line::kSection) {
      firstHeader = i;
      break;
    }
  if (section.empty()) {
    r.found = true;
    r.begin = 0;
    r.end = firstHeader;
    return r;
  }
  for (size_t i = firstHeader; i < lines.size(); ++i) {
    if (lines[i].kind != Line::kSection || !SameText(lines[i].name, section)) continue;
    r.found = true;
    r.header = i;
    r.begin = i + 1;
    r.end = r.begin;
    while (r.end < lines.size() && lines[r.end].kind != Line::kSection) ++r.end;
    return r;
  }
  return r;
}

// Index of the first line of the range that holds key, or npos.
size_t FindKey(const std::vector<Line>& lines, const SectionRange& r, std::string_view key) {
  for (size_t i = r.begin; i < r.end; ++i)
    if (lines[i].kind == Line::kKey && SameText(lines[i].name, key)) return i;
  return std::string::npos;
}

// A file that starts with the UTF-8 byte order mark is UTF-8 text (Notepad
// saves it so); the profile functions then hand out and take Windows-1252,
// the program's 8-bit text. Characters 1252 lacks read as "?".
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char ToCp1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}

std::string Utf8ToCp1252(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size();) {
    unsigned char b = static_cast<unsigned char>(in[i]);
    int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
    bool ok = extra >= 0 && i + extra < in.size();
    for (int k = 1; ok && k <= extra; ++k) {
      unsigned char cb = static_cast<unsigned char>(in[i + k]);
      if ((cb & 0xC0) != 0x80) ok = false;
      else c = (c << 6) | (cb & 0x3F);
    }
    if (!ok) {  // a stray byte is one unknown character
      out += '?';
      ++i;
      continue;
    }
    out += ToCp1252(c);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

std::string Cp1252ToUtf8(std::string_view in) {
  std::string out;
  for (char ch : in) {
    unsigned char b = static_cast<unsigned char>(ch);
    char32_t c = b < 0x80 ? b : b < 0xA0 ? kCp1252High[b - 0x80] : b;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string Joined(std::string_view a, std::string_view sep, std::string_view b) {
  std::string s;
  s.reserve(a.size() + sep.size() + b.size());
  s.append(a).append(sep).append(b);
  return s;
}

// The value of section/key in a file's text, or the default.
std::string ReadFrom(std::string content, const std::string& section, const std::string& key,
                     const std::string& defaultValue) {
  if (content.compare(0, kUtf8Bom.size(), kUtf8Bom) == 0) content = Utf8ToCp1252(content.substr(kUtf8Bom.size()));
  std::vector<std::string_view> raw = SplitLines(content);
  std::vector<Line> lines;
  lines.reserve(raw.size());
  for (std::string_view l : raw) lines.push_back(Classify(l));
  SectionRange r = FindSection(lines, TrimBlanks(section));
  if (r.found) {
    size_t at = FindKey(lines, r, TrimBlanks(key));
    if (at != std::string::npos && lines[at].hasValue) return std::string(StripQuotes(lines[at].value));
  }
  // The default loses its trailing spaces (only spaces) and its quotes.
  std::string_view def = defaultValue;
  while (!def.empty() && def.back() == ' ') def.remove_suffix(1);
  return std::string(StripQuotes(def));
}

// Sets section/key in a file's text as the Windows function would write it.
// False when the text already held that value (nothing to write).
bool WriteInto(std::string& content, const std::string& section, const std::string& key, const std::string& value) {
  // A UTF-8 file is read in 1252 to find the line, and its other lines are
  // kept as they are; the changed line is written back in UTF-8.
  const bool utf8 = content.compare(0, kUtf8Bom.size(), kUtf8Bom) == 0;
  std::string utf8Content;
  std::string text1252;
  if (utf8) {
    utf8Content = content.substr(kUtf8Bom.size());
    text1252 = Utf8ToCp1252(utf8Content);
  }
  const std::string& source = utf8 ? text1252 : content;
  std::vector<std::string_view> raw = SplitLines(source);
  std::vector<Line> lines;
  lines.reserve(raw.size());
  for (std::string_view l : raw) lines.push_back(Classify(l));

  const std::string_view sec = TrimBlanks(section);
  const std::string_view name = TrimBlanks(key);
  const std::string_view val = TrimLeadingBlanks(value);

  std::vector<std::string_view> kept = utf8 ? SplitLines(utf8Content) : raw;  // same line breaks
  std::vector<std::string> out(kept.begin(), kept.end());
  const auto encode = [utf8](std::string line) { return utf8 ? Cp1252ToUtf8(line) : line; };
  SectionRange r = FindSection(lines, sec);
  if (!r.found) {
    out.push_back(encode(Joined("[", sec, "]")));
    out.push_back(encode(Joined(name, "=", val)));
  } else if (size_t at = FindKey(lines, r, name); at != std::string::npos) {
    // The same value already there: nothing to write (the file is not
    // touched, so a read-only file with the right value still succeeds).
    if (lines[at].hasValue && lines[at].value == val) return false;
    // Keep the key's spelling as the file has it; replace the line in place.
    out[at] = encode(Joined(lines[at].name, "=", val));
  } else {
    // After the section's last non-blank line, so blank separator lines
    // stay before the next section.
    size_t insert = r.begin;
    for (size_t i = r.begin; i < r.end; ++i)
      if (lines[i].kind != Line::kOther) insert = i + 1;
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(insert), encode(Joined(name, "=", val)));
  }
  std::string text(utf8 ? kUtf8Bom : std::string_view());
  text.reserve(content.size() + 2 * (value.size() + key.size() + section.size()) + 16);
  for (const std::string& l : out) {
    text += l;
    text += "\r\n";
  }
  content = std::move(text);
  return true;
}

class PortableProfileFile : public ProfileFile {
 public:
  explicit PortableProfileFile(std::string path) : path_(std::move(path)) {}

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) override {
    std::string content;
    if (!ReadWholeFile(path_, content)) content.clear();
    return ReadFrom(std::move(content), section, key, defaultValue);
  }

  bool WriteString(const std::string& section, const std::string& key, const std::string& value) override {
    std::string content;
    if (!ReadWholeFile(path_, content)) content.clear();  // a missing file is made
    if (!WriteInto(content, section, key, value)) return true;
    return WriteFileAtomic(path_, content);
  }

  const std::string& Path() const override { return path_; }

 private:
  std::string path_;
};

// The file read once; writes change the text in memory and Commit replaces
// the file in one step, so a crash or a full disk in the middle of a save
// leaves the old file whole.
class BatchProfileFile : public ProfileFile {
 public:
  explicit BatchProfileFile(std::string path) : path_(std::move(path)) {
    if (!ReadWholeFile(path_, content_)) content_.clear();
  }

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) override {
    return ReadFrom(content_, section, key, defaultValue);
  }

  bool WriteString(const std::string& section, const std::string& key, const std::string& value) override {
    WriteInto(content_, section, key, value);
    written_ = true;
    return true;
  }

  // Written even when no value changed: a save into a read-only settings
  // file is reported as the Windows functions report it, whatever the values.
  bool Commit() override {
    if (!written_) return true;
    if (!WriteFileAtomic(path_, content_)) return false;
    written_ = false;
    return true;
  }

  const std::string& Path() const override { return path_; }

 private:
  std::string path_;
  std::string content_;
  bool written_ = false;
};

}  // namespace

std::unique_ptr<ProfileFile> OpenPortableProfileFile(const std::string& path) {
  return std::make_unique<PortableProfileFile>(path);
}

std::unique_ptr<ProfileFile> OpenProfileFileBatch(const std::string& path) {
  return std::make_unique<BatchProfileFile>(path);
}

}  // namespace ombrix
