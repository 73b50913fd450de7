// Profile-file cases shared by the native test of our implementation and the
// differential test under Wine, which runs each case through both ours and
// the Windows functions. The expected answers are what
// GetPrivateProfileStringA/WritePrivateProfileStringA give under Wine 8.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "util/ProfileFile.h"

namespace ombrix::test {

struct ProfileOp {
  bool write = false;
  std::string section, key;
  std::string text;    // default (read) or value (write)
  std::string expect;  // read: the value; write: "ok" or "fail"
};

struct ProfileCase {
  const char* name;
  bool fileExists;
  std::string content;
  std::vector<ProfileOp> ops;
};

inline ProfileOp R(std::string section, std::string key, std::string def, std::string expect) {
  return {false, std::move(section), std::move(key), std::move(def), std::move(expect)};
}
inline ProfileOp W(std::string section, std::string key, std::string value) {
  return {true, std::move(section), std::move(key), std::move(value), "ok"};
}

inline std::vector<ProfileCase> ProfileCases() {
  return {
      {"missing file reads defaults", false, "",
       {R("User", "Width", "594", "594"), R("User", "Radar", "IL,Chicago,LOT", "IL,Chicago,LOT")}},
      {"empty file reads defaults", true, "", {R("User", "Width", "594", "594")}},
      {"names ignore case",
       true,
       "[User]\r\nWidth=600\r\nUiViewShutdown=0\r\n",
       {R("user", "WIDTH", "d", "600"), R("USER", "width", "d", "600"), R("User", "UiViewShutDown", "1", "0"),
        R("Users", "Width", "d", "d"), R("User", "Widt", "d", "d")}},
      {"only ASCII letters fold",
       true,
       "[T]\r\n\xC4r=upper\r\n[\xC4\xD6]\r\nk=umlaut\r\n",
       {R("T", "\xE4r", "d", "d"), R("T", "\xC4R", "d", "upper"), R("\xE4\xF6", "k", "d", "d"),
        R("\xC4\xD6", "k", "d", "umlaut")}},
      {"blanks around names, = and values",
       true,
       "[A]\r\n  a  =  x y  \r\n\tt\t=\tv\t\r\nv=\vx\f\r\nz=a\x1A\r\nnb=a\xA0\r\n",
       {R("A", "a", "d", "x y"), R(" A ", " a ", "d", "x y"), R("\tA\t", "\tt\t", "d", "v"), R("A", "v", "d", "x"),
        R("A", "z", "d", "a"), R("A", "nb", "d", "a\xA0")}},
      {"quoted values",
       true,
       "[A]\r\nb= 'q' \r\nc=\"dq\"\r\nd=\"mis'\r\ne=\"\r\ng=\"\"\r\ni='a\"b'\r\nj=\"in\"side\"\r\nk=x\"y\"\r\n",
       {R("A", "b", "d", "q"), R("A", "c", "d", "dq"), R("A", "d", "d", "\"mis'"), R("A", "e", "d", "\""),
        R("A", "g", "d", ""), R("A", "i", "d", "a\"b"), R("A", "j", "d", "in\"side"), R("A", "k", "d", "x\"y\"")}},
      {"empty values and keys without =",
       true,
       "[A]\r\nh=\r\nt=\t\r\nnoeq\r\ndup\r\ndup=5\r\n=noname\r\n",
       {R("A", "h", "d", ""), R("A", "t", "d", ""), R("A", "noeq", "d", "d"), R("A", "NOEQ", "d", "d"),
        R("A", "dup", "d", "d"), R("A", "", "d", "noname")}},
      {"duplicate sections and keys: the first wins",
       true,
       "[User]\r\na=1\r\na=2\r\n[user]\r\na=second\r\nz=inSecond\r\n",
       {R("User", "a", "d", "1"), R("User", "z", "d", "d")}},
      {"comments are keys too",
       true,
       "; top\r\n[A]\r\n;comment=5\r\n  ;x=1\r\n#h=2\r\n",
       {R("A", ";comment", "d", "5"), R("A", ";x", "d", "1"), R("A", "#h", "d", "2"), R("", "; top", "d", "d")}},
      {"keys before the first section",
       true,
       "top=1\r\n[]\r\ne=empty\r\n[A]\r\nk=1\r\n",
       {R("", "top", "d", "1"), R("", "e", "d", "d"), R("A", "k", "d", "1")}},
      {"an empty section name is the nameless section", true, "[]\r\ne=1\r\n", {R("", "e", "d", "d")}},
      {"section headers",
       true,
       "  [Lead]  \r\nk=lead\r\n[NoClose\r\nk=nc\r\nj=nc\r\n[After] junk\r\nk=after\r\n[In]ner]\r\nk=inner\r\n[ Sp ]\r\nk=sp\r\n",
       {R("Lead", "k", "d", "lead"), R("Lead", "j", "d", "nc"), R("NoClose", "k", "d", "d"),
        R("After", "k", "d", "after"), R("After] junk", "k", "d", "d"), R("In]ner", "k", "d", "inner"),
        R("In", "k", "d", "d"), R("Sp", "k", "d", "sp")}},
      {"line ends LF, CR and CR LF, last line unterminated",
       true,
       "[A]\nlf=1\nb=2\r[B]\rcr=3\r\n[C]\r\nlast=end",
       {R("A", "lf", "d", "1"), R("A", "b", "d", "2"), R("B", "cr", "d", "3"), R("C", "last", "d", "end"),
        R("A", "cr", "d", "d")}},
      {"= inside values, blanks inside names",
       true,
       "[T]\r\nmy key = two words\r\nx=b=c\r\nurl=http://h/p?a=1\r\n",
       {R("T", "my key", "d", "two words"), R("T", "x", "d", "b=c"), R("T", "url", "d", "http://h/p?a=1")}},
      {"UTF-8 files read as Windows-1252",
       true,
       "\xEF\xBB\xBF[A]\r\nx=\xC3\xA9\xE2\x82\xAC\xE4\xB8\xAD\r\nbad=\xE9\r\n[\xC3\x84]\r\nk=1\r\n",
       {R("A", "x", "d", "\xE9\x80?"), R("A", "bad", "d", "?"), R("\xC4", "k", "d", "1")}},
      {"a value longer than the first buffer", true, "[A]\r\nk=" + std::string(5000, 'v') + "\r\n",
       {R("A", "k", "d", std::string(5000, 'v'))}},
      {"8-bit values", true, "[A]\r\nk=caf\xE9 \xFF\x80\r\n", {R("A", "k", "d", "caf\xE9 \xFF\x80")}},
      {"defaults: trailing spaces cut, quotes removed",
       true,
       "[A]\r\n",
       {R("A", "q", "  spaced  ", "  spaced"), R("A", "q", "d\t", "d\t"), R("A", "q", "\"quoted\"", "quoted"),
        R("A", "q", "'abc'", "abc"), R("A", "q", "\"abc'", "\"abc'"), R("A", "q", "\"", "\""),
        R("A", "q", "\"\"", ""), R("A", "q", "  \"x\"  ", "  \"x\""), R("A", "q", "", "")}},

      // Writes, each followed by reads.
      {"writing creates the file and section", false, "",
       {W("Sec", "Key", "Val"), R("sec", "key", "d", "Val"), W("Sec", "Two", "2"), R("Sec", "Two", "d", "2"),
        R("Sec", "Key", "d", "Val")}},
      {"writing replaces values in place and keeps the rest",
       true,
       "; head comment\r\n\r\n[User]\r\n  a  =  old  \r\n; mid comment\r\n\r\nb=2\r\nnoeq\r\n\r\n[Other]\r\nk = v\r\n",
       {W("user", "A", "new"), R("User", "a", "d", "new"), R("User", "b", "d", "2"), R("Other", "k", "d", "v"),
        W("User", "noeq", "now"), R("User", "noeq", "d", "now"), W("User", "c", "added"),
        R("User", "c", "d", "added"), R("Other", "c", "d", "d"), W("New", "x", "1"), R("New", "x", "d", "1"),
        W("User", "b", "  lead and trail  "), R("User", "b", "d", "lead and trail"), W("User", "b", "\"quoted\""),
        R("User", "b", "d", "quoted"), W("User", "b", ""), R("User", "b", "d", ""), R("User", "a", "d", "new"),
        R("Other", "k", "d", "v")}},
      {"writing to duplicate sections and keys changes the first",
       true,
       "[S]\r\nk=1\r\n[s]\r\nk=2\r\nk=3\r\n[S]\r\nk=4\r\n",
       {W("s", "K", "X"), R("S", "k", "d", "X"), W("s", "only2", "Y"), R("S", "only2", "d", "Y")}},
      {"writing a key that has no = gives it one",
       true,
       "[A]\r\nnoeq\r\nnoeq=5\r\nk=1\r\n",
       {W("A", "noeq", "w"), R("A", "noeq", "d", "w"), R("A", "k", "d", "1")}},
      {"writing to a file with LF line ends",
       true,
       "[A]\nk=1\nj=2",
       {W("A", "k", "9"), R("A", "k", "d", "9"), R("A", "j", "d", "2"), W("A", "new", "n"), R("A", "new", "d", "n"),
        W("B", "new", "b"), R("B", "new", "d", "b"), R("A", "new", "d", "n")}},
      {"writing the nameless section",
       true,
       "x=1\r\n[A]\r\nk=1\r\n",
       {W("", "x", "2"), R("", "x", "d", "2"), R("A", "k", "d", "1"), W("", "y", "3"), R("", "y", "d", "3"),
        R("A", "y", "d", "d"), W(" A ", " sp key ", "v"), R("A", "sp key", "d", "v")}},
      {"writing the nameless section of a file without one",
       true,
       "[A]\r\nk=1\r\n",
       {W("", "g", "1"), R("", "g", "d", "1"), R("A", "g", "d", "d"), R("A", "k", "d", "1")}},
      {"writing 8-bit text and quotes",
       true,
       "[A]\r\n",
       {W("A", "k", "8bit \xE9\xFF"), R("A", "k", "d", "8bit \xE9\xFF"), W("A", "q", "\""), R("A", "q", "d", "\""),
        W("A", "q", "'x'"), R("A", "q", "d", "x"), W("A", "k", "8bit \xE9\xFF"), R("A", "k", "d", "8bit \xE9\xFF")}},
      {"writing to a UTF-8 file",
       true,
       "\xEF\xBB\xBF[A]\r\nx=\xC3\xA9\r\n",
       {W("A", "y", "\xE9\x80"), R("A", "y", "d", "\xE9\x80"), R("A", "x", "d", "\xE9"), W("\xC4", "k", "\xFC"),
        R("\xC4", "k", "d", "\xFC"), W("A", "x", "e"), R("A", "x", "d", "e")}},
      {"writing odd names",
       true,
       "[A]\r\nk=1\r\n",
       {W("A", "k=eq", "v"), R("A", "k", "d", "1"), W("[B]", "k", "v"), R("[B]", "k", "d", "v"),
        R("B", "k", "d", "d")}},
      {"a written line break splits the line",
       true,
       "[A]\r\nk=1\r\n",
       {W("A", "k", "line\r\nbreak=x"), R("A", "k", "d", "line"), R("A", "break", "d", "x")}},
      {"writing after a section with blank lines and comments",
       true,
       "[A]\r\n\r\n  k  =  1  \r\n;c\r\n\r\n[B]\r\nz=1\r\n",
       {W("A", "j", "2"), R("A", "j", "d", "2"), R("B", "j", "d", "d"), R("A", "k", "d", "1"),
        R("B", "z", "d", "1")}},
  };
}

// Runs a case on a fresh file in dir and returns one answer per step: the
// value read, or "ok"/"fail" for a write.
using ProfileOpener = std::function<std::unique_ptr<ProfileFile>(const std::string&)>;

inline std::vector<std::string> RunProfileCase(const ProfileCase& c, const std::string& path,
                                               const ProfileOpener& open) {
  if (c.fileExists) WriteFile(path, c.content);
  auto file = open(path);
  std::vector<std::string> answers;
  for (const ProfileOp& op : c.ops) {
    if (op.write)
      answers.push_back(file->WriteString(op.section, op.key, op.text) ? "ok" : "fail");
    else
      answers.push_back(file->ReadString(op.section, op.key, op.text));
  }
  return answers;
}

inline std::vector<std::string> Expected(const ProfileCase& c) {
  std::vector<std::string> out;
  for (const ProfileOp& op : c.ops) out.push_back(op.expect);
  return out;
}

// Bytes shown with escapes, so a failing comparison is readable.
inline std::string Visible(const std::string& s) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char ch : s) {
    if (ch >= 0x20 && ch < 0x7F && ch != '\\') {
      out += static_cast<char>(ch);
    } else {
      out += "\\x";
      out += hex[ch >> 4];
      out += hex[ch & 15];
    }
  }
  return out;
}

inline std::vector<std::string> VisibleAll(const std::vector<std::string>& v) {
  std::vector<std::string> out;
  for (const auto& s : v) out.push_back(Visible(s));
  return out;
}

}  // namespace ombrix::test
