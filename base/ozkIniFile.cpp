#include "base/ozkIniFile.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/ozkFileUtils.h"
#include "base/ozkFormat.h"
#include "base/ozkText.h"

namespace {

bool IsLineBreak(char16_t c) {
  return c == u'\r' || c == u'\n';
}

// Whole file as bytes; false when it cannot be opened or read.
bool ReadAllBytes(const std::string& aPath, std::string& aBytes) {
  int fd = ::open(aPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buf[16384];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    aBytes.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

bool WriteAllBytes(int aFd, const std::string& aBytes) {
  size_t done = 0;
  while (done < aBytes.size()) {
    ssize_t n = ::write(aFd, aBytes.data() + done, aBytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool TryParseProfileInteger(std::u16string_view aText, int& aValue) {
  if (aText.size() > 2 && aText[0] == u'0' && (aText[1] == u'x' || aText[1] == u'X')) {
    std::string digits;
    for (char16_t c : aText.substr(2)) {
      if (c > 0x7F || !std::isxdigit(static_cast<unsigned char>(c))) return false;
      digits += static_cast<char>(c);
    }
    uint64_t v = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, 16);
    if (ec != std::errc() || end != digits.data() + digits.size() || v > 0xFFFFFFFFu) return false;
    aValue = static_cast<int>(static_cast<int32_t>(static_cast<uint32_t>(v)));
    return true;
  }
  int64_t v = 0;
  if (!TryStrToInt64(aText, v) || v < INT_MIN || v > INT_MAX) return false;
  aValue = static_cast<int>(v);
  return true;
}

} // namespace

TIniFile::TIniFile(std::u16string aFileName) : FFileName(std::move(aFileName)) {
  FSections.push_back(TSection{}); // the lines ahead of the first header
  std::string bytes;
  if (!ReadAllBytes(UTF16ToUTF8(FFileName), bytes)) return;
  std::string_view view(bytes);
  if (view.substr(0, 3) == "\xEF\xBB\xBF") view.remove_prefix(3);
  Parse(UTF8ToUTF16(view));
}

void TIniFile::Parse(std::u16string_view aText) {
  size_t i = 0, n = aText.size();
  while (i < n) {
    size_t b = i;
    while (i < n && !IsLineBreak(aText[i])) ++i;
    std::u16string_view line = aText.substr(b, i - b);
    if (i < n && aText[i] == u'\r') ++i;
    if (i < n && aText[i] == u'\n') ++i;

    std::u16string trimmed = Trim(line);
    if (!trimmed.empty() && trimmed.front() == u'[') {
      size_t close = trimmed.find(u']');
      if (close != std::u16string::npos) {
        TSection s;
        s.FName = Trim(std::u16string_view(trimmed).substr(1, close - 1));
        s.FHasHeader = true;
        FSections.push_back(std::move(s));
        continue;
      }
    }
    TEntry e;
    size_t eq = trimmed.find(u'=');
    if (!trimmed.empty() && trimmed.front() != u';' && trimmed.front() != u'#' && eq != 0 &&
        eq != std::u16string::npos) {
      e.FIsPair = true;
      e.FKey = Trim(std::u16string_view(trimmed).substr(0, eq));
      e.FValue = DecodeValue(Trim(std::u16string_view(trimmed).substr(eq + 1)));
    } else {
      e.FRaw = std::u16string(line);
    }
    FSections.back().FEntries.push_back(std::move(e));
  }
}

std::u16string TIniFile::EncodeValue(std::u16string_view aValue) {
  bool quote = !aValue.empty() && (aValue.front() <= u' ' || aValue.back() <= u' ');
  if (aValue.size() >= 2 && aValue.front() == u'"' && aValue.back() == u'"') quote = true;
  for (char16_t c : aValue)
    if (IsLineBreak(c)) quote = true;
  if (!quote) return std::u16string(aValue);
  std::u16string r = u"\"";
  for (char16_t c : aValue) {
    switch (c) {
    case u'\\':
      r += u"\\\\";
      break;
    case u'\r':
      r += u"\\r";
      break;
    case u'\n':
      r += u"\\n";
      break;
    default:
      r += c;
    }
  }
  r += u'"';
  return r;
}

std::u16string TIniFile::DecodeValue(std::u16string_view aStored) {
  if (aStored.size() < 2 || aStored.front() != u'"' || aStored.back() != u'"')
    return std::u16string(aStored);
  std::u16string_view inner = aStored.substr(1, aStored.size() - 2);
  std::u16string r;
  r.reserve(inner.size());
  for (size_t i = 0; i < inner.size(); ++i) {
    char16_t c = inner[i];
    if (c == u'\\' && i + 1 < inner.size()) {
      char16_t next = inner[i + 1];
      // Only the escapes the writer produces; any other backslash stays as it stands.
      if (next == u'\\' || next == u'r' || next == u'n') {
        r += next == u'\\' ? u'\\' : next == u'r' ? u'\r' : u'\n';
        ++i;
        continue;
      }
    }
    r += c;
  }
  return r;
}

const TIniFile::TSection* TIniFile::FindSection(std::u16string_view aSection) const {
  for (const auto& s : FSections)
    if (s.FHasHeader && SameText(s.FName, aSection)) return &s;
  return nullptr;
}

const TIniFile::TEntry* TIniFile::FindEntry(std::u16string_view aSection,
                                            std::u16string_view aKey) const {
  const TSection* s = FindSection(aSection);
  if (!s) return nullptr;
  for (const auto& e : s->FEntries)
    if (e.FIsPair && SameText(e.FKey, aKey)) return &e;
  return nullptr;
}

bool TIniFile::SectionExists(std::u16string_view aSection) const {
  return FindSection(aSection) != nullptr;
}

bool TIniFile::ValueExists(std::u16string_view aSection, std::u16string_view aKey) const {
  return FindEntry(aSection, aKey) != nullptr;
}

std::u16string TIniFile::ReadString(std::u16string_view aSection, std::u16string_view aKey,
                                    std::u16string_view aDefault) const {
  const TEntry* e = FindEntry(aSection, aKey);
  if (!e) return std::u16string(aDefault);
  return e->FValue.substr(0, MaxValueLength);
}

int TIniFile::ReadInteger(std::u16string_view aSection, std::u16string_view aKey,
                          int aDefault) const {
  const TEntry* e = FindEntry(aSection, aKey);
  if (!e) return aDefault;
  int v = 0;
  return TryParseProfileInteger(std::u16string_view(e->FValue).substr(0, MaxValueLength), v)
             ? v
             : aDefault;
}

bool TIniFile::ReadBool(std::u16string_view aSection, std::u16string_view aKey,
                        bool aDefault) const {
  return ReadInteger(aSection, aKey, aDefault ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::u16string_view aSection, std::u16string_view aKey,
                           std::u16string_view aValue) {
  TSection* s = const_cast<TSection*>(FindSection(aSection));
  if (!s) {
    // A new section is set apart from the lines before it by a blank line.
    const TSection& last = FSections.back();
    if (last.FHasHeader || !last.FEntries.empty()) FSections.back().FEntries.push_back(TEntry{});
    TSection added;
    added.FName = std::u16string(aSection);
    added.FHasHeader = true;
    FSections.push_back(std::move(added));
    s = &FSections.back();
  }
  for (auto& e : s->FEntries) {
    if (e.FIsPair && SameText(e.FKey, aKey)) {
      e.FValue = std::u16string(aValue);
      return;
    }
  }
  // A new key goes after the section's last pair, ahead of trailing blank lines and comments.
  auto at = s->FEntries.end();
  while (at != s->FEntries.begin() && !std::prev(at)->FIsPair) --at;
  if (at == s->FEntries.begin()) at = s->FEntries.end();
  TEntry e;
  e.FIsPair = true;
  e.FKey = std::u16string(aKey);
  e.FValue = std::u16string(aValue);
  s->FEntries.insert(at, std::move(e));
}

void TIniFile::WriteInteger(std::u16string_view aSection, std::u16string_view aKey, int aValue) {
  WriteString(aSection, aKey, IntToStr(aValue));
}

void TIniFile::WriteBool(std::u16string_view aSection, std::u16string_view aKey, bool aValue) {
  WriteString(aSection, aKey, aValue ? u"1" : u"0");
}

void TIniFile::DeleteKey(std::u16string_view aSection, std::u16string_view aKey) {
  for (auto& s : FSections) {
    if (!s.FHasHeader || !SameText(s.FName, aSection)) continue;
    std::erase_if(s.FEntries, [&](const TEntry& e) { return e.FIsPair && SameText(e.FKey, aKey); });
  }
}

std::u16string TIniFile::Serialize() const {
  std::u16string r;
  for (const auto& s : FSections) {
    if (s.FHasHeader) r += u'[' + s.FName + u"]\n";
    for (const auto& e : s.FEntries) {
      if (e.FIsPair)
        r += e.FKey + u'=' + EncodeValue(e.FValue) + u'\n';
      else
        r += e.FRaw + u'\n';
    }
  }
  return r;
}

void TIniFile::UpdateFile() const {
  const std::string path = UTF16ToUTF8(FFileName);
  auto fail = [&]() -> void {
    throw EIniFileException(Format(u"Unable to write to %s", FFileName));
  };

  std::string dir = UTF16ToUTF8(ExtractFilePath(FFileName));
  std::string name = UTF16ToUTF8(ExtractFileName(FFileName));
  if (name.empty()) fail();
  std::string tmp = dir + "." + name + ".XXXXXX";
  int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
  if (fd < 0) fail();

  // The reader skips one leading U+FEFF as a byte-order mark; a text that itself begins with
  // U+FEFF gets a mark ahead of it, so the character stays part of the first line on the next read.
  const std::u16string text = Serialize();
  const std::string bytes = (text.starts_with(u'\uFEFF') ? "\xEF\xBB\xBF" : "") + UTF16ToUTF8(text);
  bool ok = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0 && WriteAllBytes(fd, bytes) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(tmp.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(tmp.c_str());
    fail();
  }
  // Make the rename itself durable; the new file is already complete, so a failure here is not
  // a failed write.
  int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}
