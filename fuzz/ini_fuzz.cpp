// Fuzz target: the profile (INI) reader and writer. An arbitrary file is read; every key that
// its lines name reads the same after the file is written back and read again, and a value
// written with WriteString reads back as written (cut to the value limit). The files live in a
// scratch folder (on tmpfs where there is one) that the run removes at its end.
#include <fuzzer/FuzzedDataProvider.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "base/ozkIniFile.h"
#include "base/ozkText.h"
#include "fuzz/ozkFuzzCheck.h"

namespace {

// The scratch folder and file of this process, removed when the run ends.
struct TScratch {
  std::string Dir;
  std::string Path;
  TScratch() {
    Dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    Dir += "/ozk_fuzz_ini_" + std::to_string(::getpid());
    ::mkdir(Dir.c_str(), 0700);
    Path = Dir + "/settings.ini";
  }
  ~TScratch() {
    ::unlink(Path.c_str());
    ::rmdir(Dir.c_str());
  }
};

const std::string& ScratchPath() {
  static const TScratch scratch;
  return scratch.Path;
}

void WriteFile(const std::string& aBytes) {
  const int fd = ::open(ScratchPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) ozkfuzz::Fail("cannot write the scratch file");
  if (!aBytes.empty() &&
      ::write(fd, aBytes.data(), aBytes.size()) != static_cast<ssize_t>(aBytes.size()))
    ozkfuzz::Fail("cannot write the scratch file");
  ::close(fd);
}

using TKey = std::pair<std::u16string, std::u16string>; // section, key

// Every (section, key) that a line of the text names, found the way a reader of the format
// would: "[name]" starts a section, "key=value" names a key.
std::vector<TKey> NamedKeys(std::u16string_view aText) {
  std::vector<TKey> keys;
  std::u16string section;
  size_t i = 0;
  while (i < aText.size()) {
    size_t end = aText.find_first_of(u"\r\n", i);
    if (end == std::u16string_view::npos) end = aText.size();
    const std::u16string line = Trim(aText.substr(i, end - i));
    i = end + 1;
    if (line.empty()) continue;
    if (line.front() == u'[' && line.find(u']') != std::u16string::npos) {
      section = Trim(std::u16string_view(line).substr(1, line.find(u']') - 1));
      continue;
    }
    const size_t eq = line.find(u'=');
    if (eq != std::u16string::npos && eq > 0)
      keys.emplace_back(section, Trim(std::u16string_view(line).substr(0, eq)));
  }
  return keys;
}

// A name that a line can hold as it stands.
bool Writable(std::u16string_view aName, bool aSection) {
  if (aName.empty() || Trim(aName) != aName) return false;
  if (aName.find_first_of(u"\r\n") != std::u16string_view::npos) return false;
  if (aSection) return aName.find(u']') == std::u16string_view::npos;
  return aName.find(u'=') == std::u16string_view::npos && aName.front() != u';' &&
         aName.front() != u'#' && aName.front() != u'[';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  FuzzedDataProvider input(aData, aSize);
  const std::u16string section = UTF8ToUTF16(input.ConsumeRandomLengthString(16));
  const std::u16string key = UTF8ToUTF16(input.ConsumeRandomLengthString(16));
  const std::u16string value = UTF8ToUTF16(input.ConsumeRandomLengthString(64));
  const std::string file = input.ConsumeRemainingBytesAsString();
  WriteFile(file);

  std::string_view body(file);
  if (body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);
  const std::u16string text = UTF8ToUTF16(body);
  const std::vector<TKey> keys = NamedKeys(text);
  const std::u16string absent = u"\x01absent";

  TIniFile ini(UTF8ToUTF16(ScratchPath()));
  std::vector<std::u16string> before;
  for (const auto& [s, k] : keys) {
    before.push_back(ini.ReadString(s, k, absent));
    (void)ini.ReadInteger(s, k, -7);
    (void)ini.ReadBool(s, k, true);
  }
  const bool write = Writable(section, true) && Writable(key, false);
  if (write) ini.WriteString(section, key, value);
  ini.UpdateFile();

  const TIniFile again(UTF8ToUTF16(ScratchPath()));
  for (size_t i = 0; i < keys.size(); ++i) {
    const auto& [s, k] = keys[i];
    if (write && SameText(s, section) && SameText(k, key)) continue;
    const std::u16string now = again.ReadString(s, k, absent);
    if (now != before[i])
      ozkfuzz::Fail("a value changed when the file was written back",
                    "[" + UTF16ToUTF8(s) + "] " + UTF16ToUTF8(k) + ": \"" + UTF16ToUTF8(before[i]) +
                        "\" became \"" + UTF16ToUTF8(now) + "\"");
  }
  if (write) {
    const std::u16string back = again.ReadString(section, key, absent);
    if (back != value.substr(0, TIniFile::MaxValueLength))
      ozkfuzz::Fail("a written value does not read back",
                    "\"" + UTF16ToUTF8(value) + "\" reads \"" + UTF16ToUTF8(back) + "\"");
  }
  return 0;
}
