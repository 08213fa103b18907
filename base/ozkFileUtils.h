// File-name and file-system helpers over POSIX paths ("/" separators).
#pragma once

#include <string>
#include <string_view>

bool FileExists(const std::u16string& aFileName);
bool DeleteFile(const std::u16string& aFileName);
// Name after the last "/" (or "\\"), the directory part with its trailing separator, and the
// extension with its dot ("" when the name has none).
std::u16string ExtractFileName(std::u16string_view aPath);
std::u16string ExtractFilePath(std::u16string_view aPath);
std::u16string ExtractFileExt(std::u16string_view aPath);
