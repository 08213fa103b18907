#include "base/ozkFileUtils.h"

#include <sys/stat.h>
#include <unistd.h>

#include "base/ozkText.h"

bool FileExists(const std::u16string& aFileName) {
  struct stat st {};
  return ::stat(UTF16ToUTF8(aFileName).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DeleteFile(const std::u16string& aFileName) {
  return ::unlink(UTF16ToUTF8(aFileName).c_str()) == 0;
}

static size_t LastSeparator(std::u16string_view aPath) {
  return aPath.find_last_of(u"/\\");
}

std::u16string ExtractFileName(std::u16string_view aPath) {
  size_t p = LastSeparator(aPath);
  return std::u16string(p == std::u16string_view::npos ? aPath : aPath.substr(p + 1));
}

std::u16string ExtractFilePath(std::u16string_view aPath) {
  size_t p = LastSeparator(aPath);
  return p == std::u16string_view::npos ? std::u16string() : std::u16string(aPath.substr(0, p + 1));
}

std::u16string ExtractFileExt(std::u16string_view aPath) {
  size_t sep = LastSeparator(aPath);
  size_t dot = aPath.find_last_of(u'.');
  if (dot == std::u16string_view::npos || (sep != std::u16string_view::npos && dot < sep))
    return std::u16string();
  return std::u16string(aPath.substr(dot));
}
