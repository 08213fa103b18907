// Text helpers shared by every layer: UTF-8/UTF-16 conversion, trimming, letter case,
// case-insensitive comparison and integer conversion. Text is UTF-16 (std::u16string).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// UTF-8 to UTF-16. Ill-formed sequences (bad lead or continuation bytes, overlong forms,
// encoded surrogates, values above U+10FFFF, truncated sequences) each give one U+FFFD per
// maximal ill-formed subpart, as the Unicode standard recommends.
std::u16string UTF8ToUTF16(std::string_view aText);
std::u16string UTF8ToUTF16(const uint8_t* aBytes, size_t aCount);
// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD (EF BF BD).
std::string UTF16ToUTF8(std::u16string_view aText);
// Plain ASCII text to UTF-16 (each byte one unit); for literals and OS texts known to be ASCII.
std::u16string ASCIIToUTF16(std::string_view aText);

// Trimming removes every code unit up to and including the space (0..32) at the ends.
std::u16string Trim(std::u16string_view aText);
std::u16string TrimLeft(std::u16string_view aText);
std::u16string TrimRight(std::u16string_view aText);

// Letter case of ASCII letters only.
std::u16string UpperCase(std::u16string_view aText);
std::u16string LowerCase(std::u16string_view aText);
char16_t UpCaseChar(char16_t aChar);
char16_t LowCaseChar(char16_t aChar);

// Case-insensitive comparison that folds ASCII, Latin-1, Greek and Cyrillic letters.
char16_t FoldCaseChar(char16_t aChar);
bool SameText(std::u16string_view a, std::u16string_view b);
int CompareText(std::u16string_view a, std::u16string_view b); // <0, 0, >0
bool StartsText(std::u16string_view aSubText, std::u16string_view aText);
bool EndsText(std::u16string_view aSubText, std::u16string_view aText);
// Position of aSubText in aText from aOffset (0-based), case ignored; npos when absent.
size_t PosText(std::u16string_view aSubText, std::u16string_view aText, size_t aOffset = 0);

std::u16string IntToStr(int64_t aValue);
std::u16string UIntToStr(uint64_t aValue);
// Upper-case hexadecimal with at least aDigits digits.
std::u16string IntToHex(uint64_t aValue, int aDigits);
// Decimal text (optional sign, surrounding spaces allowed) to an integer; false when the text is
// not a number or does not fit.
bool TryStrToInt64(std::u16string_view aText, int64_t& aValue);
int64_t StrToInt64Def(std::u16string_view aText, int64_t aDefault);
int StrToIntDef(std::u16string_view aText, int aDefault);

// Replaces every occurrence of aOld (case-sensitive) by aNew.
std::u16string ReplaceAll(std::u16string_view aText, std::u16string_view aOld,
                          std::u16string_view aNew);
