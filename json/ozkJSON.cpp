// The JSON document model: members, values, lookup, adding with replace-on-existing-name,
// deep copy, and the string helpers (escaping, unescaping, the number format of a double).
// The parser lives in ozkJSONParser.cpp, the writer in ozkJSONWriter.cpp.
#include "json/ozkJSON.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <charconv>
#include <cmath>

#include "base/ozkFormat.h"
#include "base/ozkText.h"

// ---------------------------------------------------------------------------------------------
// Values

TozkJSONValue::TozkJSONValue(const TozkJSONValue& aOther)
    : FData(aOther.FSource ? TData(std::u16string(aOther.FSource, aOther.FSourceLength))
                           : aOther.FData) {}

TozkJSONValue& TozkJSONValue::operator=(const TozkJSONValue& aOther) {
  if (this != &aOther) {
    // The copy owns its text: it may outlive the document the original stands in.
    if (aOther.FSource)
      FData.emplace<std::u16string>(aOther.FSource, aOther.FSourceLength);
    else
      FData = aOther.FData;
    FSource = nullptr;
    FSourceLength = 0;
  }
  return *this;
}

std::u16string TozkJSONValue::AsString() const {
  if (FSource) return std::u16string(FSource, FSourceLength);
  switch (FData.index()) {
  case 1:
    return std::get<1>(FData);
  case 2:
    return IntToStr(std::get<2>(FData));
  case 3:
    return IntToStr(std::get<3>(FData));
  case 4:
    return JSONFloatToStr(std::get<4>(FData));
  case 5:
    return std::get<5>(FData) ? u"true" : u"false";
  default:
    return std::u16string();
  }
}

const std::u16string& TozkJSONValue::Text() const {
  static const std::u16string kEmpty;
  Materialize();
  if (const auto* s = std::get_if<std::u16string>(&FData)) return *s;
  return kEmpty;
}

std::u16string_view TozkJSONValue::TextView() const {
  if (FSource) return std::u16string_view(FSource, FSourceLength);
  if (const auto* s = std::get_if<std::u16string>(&FData)) return *s;
  return std::u16string_view();
}

// ---------------------------------------------------------------------------------------------
// Document

TozkJSON::TozkJSON(TComponent* aOwner) : TComponent(aOwner) {}

TozkJSON::~TozkJSON() {
  FreeMembers();
}

void TozkJSON::FreeMembers() {
  if (!FData.empty()) TozkObjectJSON::DeleteTree(FData);
}

void TozkJSON::Clear() {
  FreeMembers();
  std::u16string().swap(FSource); // no member points into it any more
}

TozkObjectJSON* TozkJSON::GetNode(std::u16string_view aName) const {
  for (const auto& member : FData)
    if (member && member->NameView() == aName) return member.get();
  return nullptr;
}

void TozkJSON::SetNode(std::u16string_view aName, std::unique_ptr<TozkObjectJSON> aValue) {
  for (auto& member : FData) {
    if (member && member->NameView() == aName) {
      std::unique_ptr<TozkObjectJSON> old = std::move(member);
      member = std::move(aValue);
      return; // old (and everything below it) is freed here
    }
  }
}

TozkObjectJSON* TozkJSON::GetItem(int aIndex) const {
  if (aIndex < 0 || aIndex >= Count()) return nullptr;
  return FData[static_cast<size_t>(aIndex)].get();
}

void TozkJSON::SetItem(int aIndex, std::unique_ptr<TozkObjectJSON> aValue) {
  if (aIndex < 0 || aIndex >= Count()) return;
  std::unique_ptr<TozkObjectJSON> old = std::move(FData[static_cast<size_t>(aIndex)]);
  FData[static_cast<size_t>(aIndex)] = std::move(aValue);
}

namespace {

// Returns the member named aName, or appends a new one of kind aType named aName.
// aFound tells which happened. With EscapeStrings on, names are stored escaped, so the
// lookup uses the escaped form too (otherwise a name needing escapes would never be found
// again and every AddPair would append a duplicate).
TozkObjectJSON* FindOrAppend(TozkJSON& aDoc, std::vector<std::unique_ptr<TozkObjectJSON>>& aData,
                             std::u16string_view aName, TozkJSONtype aType, bool& aFound) {
  std::u16string escaped;
  if (aDoc.EscapeStrings()) {
    escaped = JSONEscape(aName);
    aName = escaped;
  }
  if (TozkObjectJSON* existing = aDoc.GetNode(aName)) {
    aFound = true;
    return existing;
  }
  aFound = false;
  auto member = std::make_unique<TozkObjectJSON>();
  member->SetName(std::u16string(aName));
  member->SetJSONType(aType);
  aData.push_back(std::move(member));
  return aData.back().get();
}

} // namespace

TozkObjectJSON* TozkJSON::AddPair(std::u16string_view aName, std::u16string_view aValue) {
  bool found;
  TozkObjectJSON* m = FindOrAppend(*this, FData, aName, ozkJSONString, found);
  std::u16string value = FEscapeStrings ? JSONEscape(aValue) : std::u16string(aValue);
  // Text that begins with "{" or "[" is embedded JSON: written without quotes. An existing
  // member keeps its quoting.
  if (!found && !value.empty() && (value[0] == u'{' || value[0] == u'[')) m->FQuoted = false;
  m->FValue = TozkJSONValue(std::move(value));
  return m;
}

TozkObjectJSON* TozkJSON::AddPair(std::u16string_view aName, int32_t aValue) {
  bool found;
  TozkObjectJSON* m = FindOrAppend(*this, FData, aName, ozkJSONNumber, found);
  m->FValue = TozkJSONValue(aValue);
  return m;
}

TozkObjectJSON* TozkJSON::AddPair(std::u16string_view aName, int64_t aValue) {
  bool found;
  TozkObjectJSON* m = FindOrAppend(*this, FData, aName, ozkJSONNumber, found);
  m->FValue = TozkJSONValue(aValue);
  return m;
}

TozkObjectJSON* TozkJSON::AddPair(std::u16string_view aName, double aValue) {
  bool found;
  TozkObjectJSON* m = FindOrAppend(*this, FData, aName, ozkJSONNumber, found);
  m->FValue = TozkJSONValue(aValue);
  return m;
}

TozkObjectJSON* TozkJSON::AddPair(std::u16string_view aName, bool aValue) {
  bool found;
  TozkObjectJSON* m = FindOrAppend(*this, FData, aName, ozkJSONBoolean, found);
  m->FValue = TozkJSONValue(std::u16string(aValue ? u"true" : u"false"));
  return m;
}

TozkObjectJSON* TozkJSON::AddPair(std::u16string_view aName) {
  bool found;
  TozkObjectJSON* m = FindOrAppend(*this, FData, aName, ozkJSONNull, found);
  m->FValue = TozkJSONValue(std::u16string());
  return m;
}

namespace {

// AddObject and AddArray: a new member gets a nested document that has read aValue; an
// existing member only takes aValue as its stored value, which is never written for these
// kinds, so nothing visible changes.
TozkObjectJSON* AddNested(TozkJSON& aDoc, std::vector<std::unique_ptr<TozkObjectJSON>>& aData,
                          std::u16string_view aName, std::u16string_view aValue,
                          TozkJSONtype aType) {
  bool found;
  TozkObjectJSON* m = FindOrAppend(aDoc, aData, aName, aType, found);
  if (found) {
    m->SetValue(TozkJSONValue(std::u16string(aValue)));
    return m;
  }
  auto nested = std::make_unique<TozkJSON>();
  nested->Read(aValue);
  m->SetJSONObject(std::move(nested));
  return m;
}

} // namespace

TozkObjectJSON* TozkJSON::AddObject(std::u16string_view aName, std::u16string_view aValue) {
  return AddNested(*this, FData, aName, aValue, ozkJSONObject);
}

TozkObjectJSON* TozkJSON::AddArray(std::u16string_view aName, std::u16string_view aValue) {
  return AddNested(*this, FData, aName, aValue, ozkJSONList);
}

void TozkJSON::Assign(const TPersistent& aSource) {
  const auto* source = dynamic_cast<const TozkJSON*>(&aSource);
  if (!source) {
    TComponent::Assign(aSource); // raises "Cannot assign a ... to a ..."
    return;
  }
  if (source == this) return;
  // Build the copy aside first, so assigning a document from one of its own nested
  // documents copies the source before the old content is freed.
  TozkJSON copy;
  // Work list instead of recursion: the copy's depth is not bounded by the stack.
  std::vector<std::pair<const TozkJSON*, TozkJSON*>> work{{source, &copy}};
  while (!work.empty()) {
    auto [from, to] = work.back();
    work.pop_back();
    to->FIsArray = from->FIsArray;
    to->FEscapeStrings = from->FEscapeStrings;
    to->FData.reserve(from->FData.size());
    for (const auto& member : from->FData) {
      if (!member) {
        to->FData.emplace_back();
        continue;
      }
      auto clone = std::make_unique<TozkObjectJSON>();
      clone->FQuoted = member->FQuoted;
      clone->FJSONType = member->FJSONType;
      clone->FValue = member->FValue; // the copy owns its text
      if (!member->NameView().empty()) clone->SetName(std::u16string(member->NameView()));
      if (member->FJSONObject) {
        clone->FJSONObject = std::make_unique<TozkJSON>();
        work.emplace_back(member->FJSONObject.get(), clone->FJSONObject.get());
      }
      to->FData.push_back(std::move(clone));
    }
  }
  Clear();
  FIsArray = copy.FIsArray;
  FEscapeStrings = copy.FEscapeStrings;
  FData = std::move(copy.FData);
}

// ---------------------------------------------------------------------------------------------
// Members

const std::u16string& TozkObjectJSON::Name() const {
  static const std::u16string kEmpty;
  if (FNameSource) {
    FName = std::make_unique<std::u16string>(FNameSource, FNameLength);
    FNameSource = nullptr;
  }
  return FName ? *FName : kEmpty;
}

void TozkObjectJSON::SetName(std::u16string aName) {
  FNameSource = nullptr;
  // An existing string is reused, so a reference from Name() sees the new name.
  if (FName)
    *FName = std::move(aName);
  else if (!aName.empty())
    FName = std::make_unique<std::u16string>(std::move(aName));
}

TozkJSONValue TozkObjectJSON::Value() {
  if (FJSONType == ozkJSONObject) {
    if (!FJSONObject) return TozkJSONValue(std::u16string(u"{}"));
    return TozkJSONValue(FJSONObject->Text());
  }
  if (FJSONType == ozkJSONList) {
    if (!FJSONObject) return TozkJSONValue(std::u16string(u"[]"));
    FJSONObject->SetIsArray(true);
    return TozkJSONValue(FJSONObject->Text());
  }
  return FValue;
}

TozkJSON* TozkObjectJSON::JSONObject() {
  if (!FJSONObject) {
    FJSONObject = std::make_unique<TozkJSON>();
    if (FJSONType != ozkJSONList) FJSONType = ozkJSONObject;
  }
  return FJSONObject.get();
}

void TozkObjectJSON::SetJSONObject(std::unique_ptr<TozkJSON> aValue) {
  FJSONObject = std::move(aValue);
}

int TozkObjectJSON::Count() const {
  return FJSONObject ? FJSONObject->Count() : 0;
}

TozkObjectJSON* TozkObjectJSON::GetNode(std::u16string_view aName) {
  return JSONObject()->GetNode(aName);
}

void TozkObjectJSON::SetNode(std::u16string_view aName, std::unique_ptr<TozkObjectJSON> aValue) {
  JSONObject()->SetNode(aName, std::move(aValue));
}

TozkObjectJSON* TozkObjectJSON::GetItem(int aIndex) {
  return JSONObject()->GetItem(aIndex);
}

void TozkObjectJSON::SetItem(int aIndex, std::unique_ptr<TozkObjectJSON> aValue) {
  JSONObject()->SetItem(aIndex, std::move(aValue));
}

void TozkObjectJSON::Clear() {
  FJSONObject.reset();
}

// ---------------------------------------------------------------------------------------------
// String helpers

namespace {

inline int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

constexpr char16_t kHexUpper[] = u"0123456789ABCDEF";

} // namespace

namespace {

// Copies aText[aFrom..] to aDest[aTo..] up to the next backslash (or the end) and moves both
// positions there. aTo never passes aFrom, so whole-block stores stay inside a destination as
// long as the source. Long message texts with few escapes are the common case.
void CopyToBackslash(const char16_t* aText, size_t aLength, size_t& aFrom, char16_t* aDest,
                     size_t& aTo) {
  size_t from = aFrom, to = aTo;
#if defined(__SSE2__)
  const __m128i backslash = _mm_set1_epi16(u'\\');
  while (from + 8 <= aLength) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(aText + from));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(aDest + to), block);
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(block, backslash)));
    if (mask) {
      size_t lane = static_cast<size_t>(__builtin_ctz(mask)) / 2;
      aFrom = from + lane;
      aTo = to + lane;
      return;
    }
    from += 8;
    to += 8;
  }
#endif
  while (from < aLength && aText[from] != u'\\') aDest[to++] = aText[from++];
  aFrom = from;
  aTo = to;
}

[[noreturn]] void InvalidCode(size_t aBackslash) {
  throw EozkJSONError(Format(u"Invalid code at position %d", static_cast<int64_t>(aBackslash + 1)));
}

} // namespace

std::u16string JSONUnescape(std::u16string_view aText) {
  const char16_t* text = aText.data();
  const size_t n = aText.size();
  std::u16string out(n, u'\0'); // decoding never lengthens the text
  char16_t* dest = out.data();
  size_t from = 0, to = 0;
  CopyToBackslash(text, n, from, dest, to);
  while (from < n) {
    if (from + 1 >= n) throw EozkJSONError(u"Unexpected end of string");
    char16_t decoded;
    size_t used = 2;
    switch (text[from + 1]) {
    case u'\\':
    case u'"':
    case u'/':
      decoded = text[from + 1];
      break;
    case u'r':
    case u'R':
      decoded = u'\r';
      break;
    case u'n':
    case u'N':
      decoded = u'\n';
      break;
    case u't':
    case u'T':
      decoded = u'\t';
      break;
    case u'b':
      decoded = u'\b';
      break;
    case u'f':
      decoded = u'\f';
      break;
    case u'u': {
      if (n - from < 6) InvalidCode(from);
      unsigned code = 0;
      for (size_t k = 2; k < 6; ++k) {
        int h = HexValue(text[from + k]);
        if (h < 0) InvalidCode(from);
        code = code * 16 + static_cast<unsigned>(h);
      }
      decoded = static_cast<char16_t>(code);
      used = 6;
      break;
    }
    default:
      InvalidCode(from);
    }
    dest[to++] = decoded;
    from += used;
    CopyToBackslash(text, n, from, dest, to);
  }
  out.resize(to);
  return out;
}

std::u16string JSONEscape(std::u16string_view aText) {
  std::u16string out;
  out.reserve(aText.size() + aText.size() / 8 + 8);
  for (char16_t c : aText) {
    switch (c) {
    case 8:
      out += u"\\b";
      break;
    case 9:
      out += u"\\t";
      break;
    case 10:
      out += u"\\n";
      break;
    case 12:
      out += u"\\f";
      break;
    case 13:
      out += u"\\r";
      break;
    case u'"':
    case u'/':
    case u'\\':
      out.push_back(u'\\');
      out.push_back(c);
      break;
    default:
      if (c < 32 || c >= 128) {
        const char16_t esc[6] = {u'\\',
                                 u'u',
                                 kHexUpper[(c >> 12) & 0xF],
                                 kHexUpper[(c >> 8) & 0xF],
                                 kHexUpper[(c >> 4) & 0xF],
                                 kHexUpper[c & 0xF]};
        out.append(esc, 6);
      } else {
        out.push_back(c);
      }
    }
  }
  return out;
}

std::u16string JSONFloatToStr(double aValue) {
  if (std::isnan(aValue)) return u"NAN";
  if (std::isinf(aValue)) return aValue < 0 ? u"-INF" : u"INF";
  if (aValue == 0) return u"0";
  // Correctly rounded to 15 significant digits: d.dddddddddddddde[+-]xx.
  char buf[40];
  auto res = std::to_chars(buf, buf + sizeof buf, aValue, std::chars_format::scientific, 14);
  const char* p = buf;
  const char* end = res.ptr;
  bool negative = false;
  if (*p == '-') {
    negative = true;
    ++p;
  }
  char digits[16];
  int count = 0;
  for (; p < end && *p != 'e'; ++p)
    if (*p != '.') digits[count++] = *p;
  int exponent = 0;
  std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end, exponent);
  while (count > 1 && digits[count - 1] == '0') --count;

  std::u16string out;
  out.reserve(24);
  if (negative) out.push_back(u'-');
  if (exponent >= -5 && exponent <= 14) {
    if (exponent >= 0) {
      for (int k = 0; k <= exponent; ++k) out.push_back(k < count ? digits[k] : u'0');
      if (count > exponent + 1) {
        out.push_back(u'.');
        for (int k = exponent + 1; k < count; ++k) out.push_back(digits[k]);
      }
    } else {
      out += u"0.";
      for (int k = 0; k < -exponent - 1; ++k) out.push_back(u'0');
      for (int k = 0; k < count; ++k) out.push_back(digits[k]);
    }
  } else {
    out.push_back(digits[0]);
    if (count > 1) {
      out.push_back(u'.');
      for (int k = 1; k < count; ++k) out.push_back(digits[k]);
    }
    out.push_back(u'E');
    if (exponent < 0) out.push_back(u'-');
    out += IntToStr(exponent < 0 ? -exponent : exponent);
  }
  return out;
}
