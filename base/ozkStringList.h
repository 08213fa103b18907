// Ordered list of text lines. The whole text puts CR LF after every line, the last included;
// setting it splits at CR LF, LF or CR. Lines of the form name=value serve as pairs, with names
// compared without regard to letter case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/ozkPersistent.h"

class TStringList : public TPersistent {
 public:
  TStringList() = default;
  TStringList(std::initializer_list<std::u16string> aLines) : FItems(aLines) {}

  void Assign(const TPersistent& aSource) override;

  int Count() const { return static_cast<int>(FItems.size()); }
  // Raises EListError "List index out of bounds (%d)" for an index outside 0..Count-1.
  const std::u16string& Strings(int aIndex) const;
  const std::u16string& operator[](int aIndex) const { return Strings(aIndex); }
  void SetStrings(int aIndex, const std::u16string& aValue);

  int Add(const std::u16string& aLine);
  void AddStrings(const TStringList& aLines);
  void Insert(int aIndex, const std::u16string& aLine);
  void Delete(int aIndex);
  void Clear() { FItems.clear(); }
  bool IsEmpty() const { return FItems.empty(); }
  // First line equal to aLine (case ignored), or -1.
  int IndexOf(std::u16string_view aLine) const;

  std::u16string Text() const;
  void SetText(std::u16string_view aText);

  // Pairs. The separator is the first "=" of a line; a line without one has no name.
  int IndexOfName(std::u16string_view aName) const;
  std::u16string Names(int aIndex) const;
  std::u16string ValueFromIndex(int aIndex) const;
  std::u16string Values(std::u16string_view aName) const;
  // Sets the value of the first line named aName, or adds "aName=aValue"; an empty value
  // removes the line.
  void SetValues(std::u16string_view aName, std::u16string_view aValue);
  void AddPair(std::u16string_view aName, std::u16string_view aValue);

  const std::vector<std::u16string>& Lines() const { return FItems; }
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

  static constexpr char16_t NameValueSeparator = u'=';

 private:
  void CheckIndex(int aIndex) const;
  std::vector<std::u16string> FItems;
};
