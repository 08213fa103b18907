// Profile (INI) file: sections in square brackets holding key=value lines, read whole into memory
// by the constructor and written back whole by UpdateFile. Section and key names match without
// regard to case; values are trimmed and cut to MaxValueLength characters when read.
//
// Values that a plain line cannot hold (line breaks, spaces at either end, or a value that is
// itself wrapped in double quotes) are written in double quotes with "\\", "\r" and "\n" escapes;
// every other value is written verbatim. Reading undoes the quoting, so a value always reads back
// as it was written, and a hand-written plain value reads as it stands.
//
// The file holds secrets (API keys): UpdateFile writes it readable and writable by its owner only,
// into a temporary file in the same folder that is then renamed over the old one, so a failed write
// leaves the old file as it was.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/ozkException.h"

// "Unable to write to %s", with the file's path.
class EIniFileException : public Exception {
 public:
  using Exception::Exception;
};

class TIniFile {
 public:
  // Reads aFileName (UTF-8, an optional byte-order mark skipped). A missing or unreadable file
  // reads as an empty one. No handle stays open.
  explicit TIniFile(std::u16string aFileName);

  const std::u16string& FileName() const { return FFileName; }

  bool SectionExists(std::u16string_view aSection) const;
  bool ValueExists(std::u16string_view aSection, std::u16string_view aKey) const;

  // The stored value, or aDefault when the key is missing. A key present with nothing after "="
  // reads as empty text.
  std::u16string ReadString(std::u16string_view aSection, std::u16string_view aKey,
                            std::u16string_view aDefault) const;
  // A value longer than two characters starting with "0x" or "0X" is hexadecimal (up to 32 bits,
  // read as a signed 32-bit number); otherwise decimal. Missing, empty or unparsable: aDefault.
  int ReadInteger(std::u16string_view aSection, std::u16string_view aKey, int aDefault) const;
  // The integer rule with 0 or 1 as the default; any non-zero value is true.
  bool ReadBool(std::u16string_view aSection, std::u16string_view aKey, bool aDefault) const;

  // Replaces the first value of aKey in aSection, or appends it to the section; a new section is
  // appended to the file. Only memory changes until UpdateFile.
  void WriteString(std::u16string_view aSection, std::u16string_view aKey,
                   std::u16string_view aValue);
  void WriteInteger(std::u16string_view aSection, std::u16string_view aKey, int aValue);
  void WriteBool(std::u16string_view aSection, std::u16string_view aKey, bool aValue);
  // Removes every line of aKey in aSection; nothing happens when there is none.
  void DeleteKey(std::u16string_view aSection, std::u16string_view aKey);

  // Writes the whole file (mode 0600) through a temporary file renamed over it. Raises
  // EIniFileException "Unable to write to %s" when any step fails; the old file is then untouched
  // and no temporary file is left behind. A text that begins with U+FEFF is written after a
  // byte-order mark, so the next read keeps that character.
  void UpdateFile() const;

  static constexpr size_t MaxValueLength = 2047;

  // The value's form on its line and back (exposed for tests of the quoting rule).
  static std::u16string EncodeValue(std::u16string_view aValue);
  static std::u16string DecodeValue(std::u16string_view aStored);

 private:
  // One line of the file. Pair lines keep their key and decoded value; every other line (comments,
  // blank lines, lines without "=") is kept verbatim in FRaw.
  struct TEntry {
    bool FIsPair = false;
    std::u16string FKey;
    std::u16string FValue;
    std::u16string FRaw;
  };
  struct TSection {
    std::u16string FName; // empty for the lines before the first section header
    bool FHasHeader = false;
    std::vector<TEntry> FEntries;
  };

  void Parse(std::u16string_view aText);
  std::u16string Serialize() const;
  const TSection* FindSection(std::u16string_view aSection) const;
  const TEntry* FindEntry(std::u16string_view aSection, std::u16string_view aKey) const;

  std::u16string FFileName;
  std::vector<TSection> FSections;
};
