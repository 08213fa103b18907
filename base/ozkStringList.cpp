#include "base/ozkStringList.h"

#include "base/ozkException.h"
#include "base/ozkFormat.h"
#include "base/ozkText.h"

void TStringList::Assign(const TPersistent& aSource) {
  if (auto* src = dynamic_cast<const TStringList*>(&aSource)) {
    if (src != this) FItems = src->FItems;
    return;
  }
  TPersistent::Assign(aSource);
}

void TStringList::CheckIndex(int aIndex) const {
  if (aIndex < 0 || aIndex >= Count())
    throw EListError(Format(u"List index out of bounds (%d)", aIndex));
}

const std::u16string& TStringList::Strings(int aIndex) const {
  CheckIndex(aIndex);
  return FItems[static_cast<size_t>(aIndex)];
}

void TStringList::SetStrings(int aIndex, const std::u16string& aValue) {
  CheckIndex(aIndex);
  FItems[static_cast<size_t>(aIndex)] = aValue;
}

int TStringList::Add(const std::u16string& aLine) {
  FItems.push_back(aLine);
  return Count() - 1;
}

void TStringList::AddStrings(const TStringList& aLines) {
  if (&aLines == this) {
    auto copy = FItems;
    FItems.insert(FItems.end(), copy.begin(), copy.end());
    return;
  }
  FItems.insert(FItems.end(), aLines.FItems.begin(), aLines.FItems.end());
}

void TStringList::Insert(int aIndex, const std::u16string& aLine) {
  if (aIndex < 0 || aIndex > Count())
    throw EListError(Format(u"List index out of bounds (%d)", aIndex));
  FItems.insert(FItems.begin() + aIndex, aLine);
}

void TStringList::Delete(int aIndex) {
  CheckIndex(aIndex);
  FItems.erase(FItems.begin() + aIndex);
}

int TStringList::IndexOf(std::u16string_view aLine) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (SameText(FItems[i], aLine)) return static_cast<int>(i);
  return -1;
}

std::u16string TStringList::Text() const {
  size_t total = 0;
  for (const auto& s : FItems) total += s.size() + 2;
  std::u16string r;
  r.reserve(total);
  for (const auto& s : FItems) {
    r += s;
    r += u"\r\n";
  }
  return r;
}

void TStringList::SetText(std::u16string_view aText) {
  FItems.clear();
  size_t i = 0, n = aText.size();
  while (i < n) {
    size_t b = i;
    while (i < n && aText[i] != u'\r' && aText[i] != u'\n') ++i;
    FItems.emplace_back(aText.substr(b, i - b));
    if (i < n && aText[i] == u'\r') ++i;
    if (i < n && aText[i] == u'\n') ++i;
  }
}

std::u16string TStringList::Names(int aIndex) const {
  const auto& s = Strings(aIndex);
  size_t p = s.find(NameValueSeparator);
  return p == std::u16string::npos ? std::u16string() : s.substr(0, p);
}

std::u16string TStringList::ValueFromIndex(int aIndex) const {
  const auto& s = Strings(aIndex);
  size_t p = s.find(NameValueSeparator);
  return p == std::u16string::npos ? std::u16string() : s.substr(p + 1);
}

int TStringList::IndexOfName(std::u16string_view aName) const {
  for (size_t i = 0; i < FItems.size(); ++i) {
    const auto& s = FItems[i];
    size_t p = s.find(NameValueSeparator);
    if (p != std::u16string::npos && SameText(std::u16string_view(s).substr(0, p), aName))
      return static_cast<int>(i);
  }
  return -1;
}

std::u16string TStringList::Values(std::u16string_view aName) const {
  int i = IndexOfName(aName);
  return i < 0 ? std::u16string() : ValueFromIndex(i);
}

void TStringList::SetValues(std::u16string_view aName, std::u16string_view aValue) {
  int i = IndexOfName(aName);
  if (aValue.empty()) {
    if (i >= 0) Delete(i);
    return;
  }
  std::u16string line = std::u16string(aName) + NameValueSeparator + std::u16string(aValue);
  if (i >= 0)
    FItems[static_cast<size_t>(i)] = std::move(line);
  else
    FItems.push_back(std::move(line));
}

void TStringList::AddPair(std::u16string_view aName, std::u16string_view aValue) {
  FItems.push_back(std::u16string(aName) + NameValueSeparator + std::u16string(aValue));
}
