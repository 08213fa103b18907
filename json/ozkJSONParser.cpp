// The tolerant parser behind TozkJSON::Read. It never fails: it stops at the first fault and
// keeps every member appended before it, nested members included. Strings and numbers are
// stored exactly as written; "#" starts a comment wherever whitespace may stand.
//
// The parser is iterative (an explicit stack of open containers), so nesting costs heap, not
// machine stack; TozkJSON::MaxDepth still bounds it for code that walks a parsed document
// recursively. Parsed names and texts are not copied: members point into the document's
// copy of the source text (TozkJSON::FSource).
//
// That copy is a std::u16string, so a 0 follows its last character. The scanners of
// whitespace and numbers rely on it instead of testing for the end at every character: the
// 0 stops them as any other character that cannot continue the token does, and what follows
// a token is then tested for the end as before.
#include "json/ozkJSON.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

class TozkJSONParser {
 public:
  // *aEnd must be readable and 0.
  TozkJSONParser(const char16_t* aBegin, const char16_t* aEnd) : p(aBegin), end(aEnd) {}
  TozkJSONParser(const TozkJSONParser&) = delete;
  TozkJSONParser& operator=(const TozkJSONParser&) = delete;
  // Only an exception leaves members pending; they are freed here.
  ~TozkJSONParser() {
    for (TozkObjectJSON* m : FPending) delete m;
  }

  // p stands at the first character of the text; aArray tells which container to expect.
  void Parse(TozkJSON& aDoc, bool aArray);

 private:
  struct TFrame {
    TozkJSON* Doc;
    size_t Base; // where this container's members start in FPending
    bool Array;
  };

  void Skip();
  bool ScanString(const char16_t*& aText, size_t& aLength);
  bool ScanNumber();
  bool ScanLiteral(const char16_t* aWord, size_t aLength);
  bool ParseScalar(const char16_t* aName, size_t aNameLength);
  TozkObjectJSON* NewMember(const char16_t* aName, size_t aNameLength, TozkJSONtype aType);
  // Points a value at text that outlives the member: the document's source or a literal.
  static void SetText(TozkJSONValue& aValue, const char16_t* aText, size_t aLength) {
    aValue.FSource = aText;
    aValue.FSourceLength = aLength;
  }
  void AfterValue();
  void CloseFrame();

  const char16_t* p;
  const char16_t* end;
  // Members of every open container, in order, owned by the parser until a container's
  // members move into its document in one piece when it closes (or when the parse stops), so
  // each member vector is allocated once at its final size.
  std::vector<TozkObjectJSON*> FPending;
  std::vector<TFrame> FFrames;
};

namespace {

// First quote or backslash at or after q, or aEnd.
inline const char16_t* FindQuoteOrBackslash(const char16_t* q, const char16_t* aEnd) {
#if defined(__SSE2__)
  const __m128i quote = _mm_set1_epi16(u'"');
  const __m128i backslash = _mm_set1_epi16(u'\\');
  while (aEnd - q >= 8) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    __m128i hit = _mm_or_si128(_mm_cmpeq_epi16(v, quote), _mm_cmpeq_epi16(v, backslash));
    int mask = _mm_movemask_epi8(hit);
    if (mask != 0) return q + (__builtin_ctz(static_cast<unsigned>(mask)) >> 1);
    q += 8;
  }
#endif
  while (q < aEnd && *q != u'"' && *q != u'\\') ++q;
  return q;
}

inline bool IsDigit(char16_t c) {
  return static_cast<unsigned>(c - u'0') < 10;
}

// Steps over a run of digits (the 0 after the text ends it).
inline const char16_t* SkipDigits(const char16_t* q) {
  while (IsDigit(*q)) ++q;
  return q;
}

} // namespace

inline void TozkJSONParser::Skip() {
  // Scans with a local pointer: the compiler keeps it in a register, not the member. The 0
  // after the text is no whitespace, so the loop stops at the end without a test.
  const char16_t* q = p;
  for (;;) {
    const char16_t c = *q;
    if (c > u' ' && c != u'#') break;
    if (c == u' ' || c == u'\n' || c == u'\r' || c == u'\t' || c == u'\f') {
      ++q;
    } else if (c == u'#') {
      // The comment runs to the next LF, which the loop then steps over as whitespace. A 0
      // inside a comment is part of it, so this loop tests for the end.
      while (q < end && *q != u'\n') ++q;
    } else {
      break;
    }
  }
  p = q;
}

// p stands at the opening quote. On success aText/aLength give the characters between the
// quotes, escapes kept, and p stands after the closing quote.
inline bool TozkJSONParser::ScanString(const char16_t*& aText, size_t& aLength) {
  const char16_t* start = p + 1;
  const char16_t* q = start;
  for (;;) {
    q = FindQuoteOrBackslash(q, end);
    if (q == end) return false;
    if (*q == u'"') {
      aText = start;
      aLength = static_cast<size_t>(q - start);
      p = q + 1;
      return true;
    }
    // A backslash takes the next character with it whatever it is; after "u" four more
    // characters follow unchecked.
    if (end - q < 2) return false;
    if (q[1] == u'u') {
      if (end - (q + 2) < 4) return false;
      q += 6;
    } else {
      q += 2;
    }
  }
}

inline bool TozkJSONParser::ScanNumber() {
  const char16_t* q = p;
  if (*q == u'+' || *q == u'-') ++q;
  if (!IsDigit(*q)) return false;
  q = SkipDigits(q + 1);
  if (*q == u'.') {
    if (!IsDigit(q[1])) return false;
    q = SkipDigits(q + 2);
  }
  if ((*q | 0x20) == u'e') {
    ++q;
    if (*q == u'+' || *q == u'-') ++q;
    if (!IsDigit(*q)) return false;
    q = SkipDigits(q + 1);
  }
  p = q;
  return true;
}

// aWord in lower case; the text may use any letter case. The position moves on by the
// word's length whether it matched or not.
inline bool TozkJSONParser::ScanLiteral(const char16_t* aWord, size_t aLength) {
  bool match = static_cast<size_t>(end - p) >= aLength;
  for (size_t i = 0; match && i < aLength; ++i)
    match = (p[i] | 0x20) == aWord[i]; // only the letter's own upper case maps onto it
  p += std::min(aLength, static_cast<size_t>(end - p));
  return match;
}

inline TozkObjectJSON* TozkJSONParser::NewMember(const char16_t* aName, size_t aNameLength,
                                                 TozkJSONtype aType) {
  std::unique_ptr<TozkObjectJSON> owner(new TozkObjectJSON);
  FPending.push_back(owner.get());
  TozkObjectJSON* m = owner.release();
  m->FJSONType = aType;
  if (aNameLength) {
    if (aNameLength <= UINT32_MAX) {
      m->FNameSource = aName;
      m->FNameLength = static_cast<uint32_t>(aNameLength);
    } else {
      m->FName = std::make_unique<std::u16string>(aName, aNameLength);
    }
  }
  return m;
}

inline bool TozkJSONParser::ParseScalar(const char16_t* aName, size_t aNameLength) {
  const char16_t* start = p;
  switch (*p) {
  case u'"': {
    const char16_t* text;
    size_t length;
    if (!ScanString(text, length)) return false;
    SetText(NewMember(aName, aNameLength, ozkJSONString)->FValue, text, length);
    return true;
  }
  case u'+':
  case u'-':
  case u'0':
  case u'1':
  case u'2':
  case u'3':
  case u'4':
  case u'5':
  case u'6':
  case u'7':
  case u'8':
  case u'9':
    if (!ScanNumber()) return false;
    SetText(NewMember(aName, aNameLength, ozkJSONNumber)->FValue, start,
            static_cast<size_t>(p - start));
    return true;
  case u't':
  case u'T':
    if (!ScanLiteral(u"true", 4)) return false;
    SetText(NewMember(aName, aNameLength, ozkJSONBoolean)->FValue, u"true", 4);
    return true;
  case u'f':
  case u'F':
    if (!ScanLiteral(u"false", 5)) return false;
    SetText(NewMember(aName, aNameLength, ozkJSONBoolean)->FValue, u"false", 5);
    return true;
  case u'n':
  case u'N':
    if (!ScanLiteral(u"null", 4)) return false;
    SetText(NewMember(aName, aNameLength, ozkJSONNull)->FValue, u"null", 4);
    return true;
  default:
    return false;
  }
}

// After a value: skip, and step over one comma if there is one (a missing comma is fine).
inline void TozkJSONParser::AfterValue() {
  Skip();
  if (p < end && *p == u',') ++p;
}

void TozkJSONParser::CloseFrame() {
  TFrame frame = FFrames.back();
  FFrames.pop_back();
  auto first = FPending.begin() + static_cast<std::ptrdiff_t>(frame.Base);
  // One allocation; if it fails, the parser still owns every pending member.
  auto& data = frame.Doc->FData;
  if (data.empty()) {
    data = std::vector<std::unique_ptr<TozkObjectJSON>>(first, FPending.end());
  } else {
    data.reserve(data.size() + static_cast<size_t>(FPending.end() - first));
    for (auto it = first; it != FPending.end(); ++it) data.emplace_back(*it);
  }
  FPending.resize(frame.Base);
}

void TozkJSONParser::Parse(TozkJSON& aDoc, bool aArray) {
  if (!aArray) {
    Skip();
    if (p == end || *p != u'{') return;
  }
  ++p;
  FFrames.push_back({&aDoc, 0, aArray});
  for (;;) {
    const bool array = FFrames.back().Array;
    Skip();
    if (p == end) break;
    const char16_t* name = nullptr;
    size_t nameLength = 0;
    if (*p == (array ? u']' : u'}')) {
      ++p;
      CloseFrame();
      if (FFrames.empty()) return; // the top-level value is complete; the rest is ignored
      AfterValue();
      continue;
    }
    if (!array) {
      if (*p != u'"' || !ScanString(name, nameLength)) break;
      Skip();
      if (p == end || *p != u':') break;
      ++p;
      Skip();
      if (p == end) break;
    }
    const char16_t c = *p;
    if (c == u'[' || c == u'{') {
      if (static_cast<int>(FFrames.size()) >= TozkJSON::MaxDepth) break;
      const bool nestedArray = c == u'[';
      // The member is appended before its content is read, so it stays (partly filled)
      // when the nested parse stops.
      TozkObjectJSON* m = NewMember(name, nameLength, nestedArray ? ozkJSONList : ozkJSONObject);
      m->FJSONObject = std::make_unique<TozkJSON>();
      m->FJSONObject->FIsArray = nestedArray;
      ++p;
      FFrames.push_back({m->FJSONObject.get(), FPending.size(), nestedArray});
      continue;
    }
    if (!ParseScalar(name, nameLength)) break;
    AfterValue();
  }
  // Stopped at a fault: every open container keeps what it read.
  while (!FFrames.empty()) CloseFrame();
}

void TozkJSON::Read(std::u16string_view aText) {
  // Copied before Clear: aText may be text of one of this document's own members.
  std::u16string source(aText);
  Clear();
  FSource = std::move(source);
  Parse();
}

void TozkJSON::Read(std::u16string&& aText) {
  std::u16string source(std::move(aText));
  Clear();
  FSource = std::move(source);
  Parse();
}

void TozkJSON::Parse() {
  FIsArray = false;
  if (FSource.empty()) return;
  // Only a "[" at the very first character makes an array: no whitespace is skipped first.
  const bool array = FSource[0] == u'[';
  FIsArray = array;
  TozkJSONParser parser(FSource.data(), FSource.data() + FSource.size());
  parser.Parse(*this, array);
}
