// Base of the OpenAI object model: document handling, readers, writer helpers, token usage,
// the error of a run and the list responses.
#include "openai/ozkHTTP_API_OpenAI_ModelBase.h"

#include <atomic>
#include <charconv>
#include <cstring>
#include <limits>

#include "base/ozkException.h"
#include "base/ozkFormat.h"
#include "base/ozkText.h"

namespace {

std::atomic<bool> GNestedReadThroughText{false};

// The text a reader sees for a member: object and list members give their JSON text (Value
// marks a list's nested document as an array, as the text route does), every other kind its
// stored value.
std::u16string MemberText(TozkObjectJSON& aMember) {
  switch (aMember.JSONType()) {
  case ozkJSONObject:
  case ozkJSONList:
    return aMember.Value().AsString();
  default:
    return aMember.StoredValue().AsString();
  }
}

bool IsNullText(std::u16string_view aText) {
  return aText.empty() || aText == u"null";
}

std::u16string UnescapeText(std::u16string_view aText) {
  return JSONUnescape(aText);
}

// Calls aUse with the member's text: the stored text itself when it is held as text (no copy),
// else the text MemberText builds.
template <class F> auto WithMemberText(TozkObjectJSON& aMember, F aUse) {
  TozkJSONtype lType = aMember.JSONType();
  if (lType != ozkJSONObject && lType != ozkJSONList && aMember.StoredValue().IsText())
    return aUse(aMember.StoredValue().TextView());
  std::u16string lText = MemberText(aMember);
  return aUse(std::u16string_view(lText));
}

// --- Reading a member without writing and parsing it ---------------------------------------------
//
// Reading a child from a member means: take the member's JSON text and parse it into the
// child's own document. For a document that came out of the parser, writing and parsing again
// gives back the same tree, so the child can read the member's nested document itself and take
// a copy of it once its own document is asked for. The check below walks the member's tree for
// the few shapes whose text would not parse back the same (they arise only in documents built
// by hand); any of them sends the reader back to the text route.

// Whether the parser marks the nested document of a list member as an array: the copy must
// carry the flag the text route would give.
bool ParserMarksNestedArrays() {
  static const bool lMarks = [] {
    TozkJSON lDoc;
    lDoc.Read(u"{\"a\":[1]}");
    TozkObjectJSON* lMember = lDoc.GetNode(u"a");
    return lMember && lMember->NestedJSON() && lMember->NestedJSON()->IsArray();
  }();
  return lMarks;
}

bool StoredTextIs(const TozkObjectJSON& aMember, std::u16string_view aText) {
  return aMember.StoredValue().IsText() && aMember.StoredValue().TextView() == aText;
}

bool ParsesBackSame(const TozkJSON& aDoc, bool aArrayMode, bool& aFixFlags);

bool MemberParsesBackSame(const TozkObjectJSON& aMember, bool aArrayMode, bool& aFixFlags) {
  // Names of array elements never reach the text; the text route gives them empty names.
  if (aArrayMode && !aMember.Name().empty()) return false;
  switch (aMember.JSONType()) {
  case ozkJSONString: {
    // Unquoted text (embedded JSON) and text that starts with a quote are written as they
    // stand and would be parsed as something else.
    const TozkJSONValue& lValue = aMember.StoredValue();
    if (!aMember.Quoted() || !lValue.IsText()) return false;
    return lValue.TextView().empty() || lValue.TextView()[0] != u'"';
  }
  case ozkJSONNumber:
    return aMember.StoredValue().IsText() &&
           aMember.StoredValue().TextView().find(u',') == std::u16string_view::npos;
  case ozkJSONBoolean:
    return StoredTextIs(aMember, u"true") || StoredTextIs(aMember, u"false");
  case ozkJSONNull:
    return StoredTextIs(aMember, u"null");
  case ozkJSONObject: {
    const TozkJSON* lNested = aMember.NestedJSON();
    return lNested && !lNested->IsArray() && ParsesBackSame(*lNested, false, aFixFlags);
  }
  case ozkJSONList: {
    // A list without a name inside an object is written without its name.
    const TozkJSON* lNested = aMember.NestedJSON();
    if (!lNested || (!aArrayMode && aMember.Name().empty())) return false;
    if (lNested->IsArray() != ParserMarksNestedArrays()) aFixFlags = true;
    return ParsesBackSame(*lNested, true, aFixFlags);
  }
  default:
    return false;
  }
}

bool ParsesBackSame(const TozkJSON& aDoc, bool aArrayMode, bool& aFixFlags) {
  for (const auto& lMember : aDoc.Members())
    if (!MemberParsesBackSame(*lMember, aArrayMode, aFixFlags)) return false;
  return true;
}

// Gives the nested documents of lists the array flag that the parser gives them.
void FixListFlags(TozkJSON& aDoc) {
  for (const auto& lMember : aDoc.Members()) {
    TozkJSON* lNested = lMember->NestedJSON();
    if (!lNested) continue;
    if (lMember->JSONType() == ozkJSONList) lNested->SetIsArray(ParserMarksNestedArrays());
    FixListFlags(*lNested);
  }
}

// Letter-case-insensitive comparison with an ASCII word.
bool SameASCII(std::u16string_view aText, std::u16string_view aWord) {
  if (aText.size() != aWord.size()) return false;
  for (size_t i = 0; i < aText.size(); ++i)
    if (LowCaseChar(aText[i]) != aWord[i]) return false;
  return true;
}

} // namespace

// --- Conversions ---------------------------------------------------------------------------------

int32_t OpenAITextToInteger(std::u16string_view aText) {
  if (IsNullText(aText)) return 0;
  size_t i = 0;
  while (i < aText.size() && aText[i] == u' ') ++i;
  bool lNegative = false;
  if (i < aText.size() && (aText[i] == u'-' || aText[i] == u'+')) lNegative = aText[i++] == u'-';
  int lBase = 10;
  if (i < aText.size() && aText[i] == u'$') {
    lBase = 16;
    ++i;
  } else if (i + 1 < aText.size() && aText[i] == u'0' &&
             (aText[i + 1] == u'x' || aText[i + 1] == u'X')) {
    lBase = 16;
    i += 2;
  }
  // Only the leading digits count: "1.5" gives 1, "12abc" 12.
  int64_t lValue = 0;
  bool lDigits = false;
  for (; i < aText.size(); ++i) {
    char16_t c = aText[i];
    int d;
    if (c >= u'0' && c <= u'9')
      d = c - u'0';
    else if (lBase == 16 && c >= u'a' && c <= u'f')
      d = c - u'a' + 10;
    else if (lBase == 16 && c >= u'A' && c <= u'F')
      d = c - u'A' + 10;
    else
      break;
    lDigits = true;
    lValue = lValue * lBase + d;
    // Past the 32-bit range the value is not representable: 0 rather than a wrapped number.
    if (lValue > int64_t{std::numeric_limits<int32_t>::max()} + 1) return 0;
  }
  if (!lDigits) return 0;
  if (lNegative) lValue = -lValue;
  if (lValue > std::numeric_limits<int32_t>::max() || lValue < std::numeric_limits<int32_t>::min())
    return 0;
  return static_cast<int32_t>(lValue);
}

double OpenAITextToDouble(std::u16string_view aText) {
  if (IsNullText(aText)) return 0;
  std::u16string lTrimmed = Trim(aText);
  // The grammar is checked here and the digits handed to from_chars, which never looks at the
  // locale: sign, digits with an optional fraction (".5" and "1." included), optional exponent.
  std::string lNarrow;
  bool lValid = !lTrimmed.empty();
  size_t i = 0;
  if (lValid && (lTrimmed[0] == u'+' || lTrimmed[0] == u'-')) {
    if (lTrimmed[0] == u'-') lNarrow += '-';
    ++i;
  }
  size_t lMantissaDigits = 0;
  auto TakeDigits = [&](size_t& aCount) {
    while (i < lTrimmed.size() && lTrimmed[i] >= u'0' && lTrimmed[i] <= u'9') {
      lNarrow += static_cast<char>(lTrimmed[i++]);
      ++aCount;
    }
  };
  TakeDigits(lMantissaDigits);
  if (i < lTrimmed.size() && lTrimmed[i] == u'.') {
    lNarrow += '.';
    ++i;
    TakeDigits(lMantissaDigits);
  }
  if (lMantissaDigits == 0) lValid = false;
  if (lValid && i < lTrimmed.size() && (lTrimmed[i] == u'e' || lTrimmed[i] == u'E')) {
    lNarrow += 'e';
    ++i;
    if (i < lTrimmed.size() && (lTrimmed[i] == u'+' || lTrimmed[i] == u'-'))
      lNarrow += static_cast<char>(lTrimmed[i++]);
    size_t lExponentDigits = 0;
    TakeDigits(lExponentDigits);
    if (lExponentDigits == 0) lValid = false;
  }
  if (i != lTrimmed.size()) lValid = false;
  if (!lValid)
    throw EConvertError(Format(u"'%s' is not a valid floating point value", std::u16string(aText)));
  double lValue = 0;
  auto lResult = std::from_chars(lNarrow.data(), lNarrow.data() + lNarrow.size(), lValue);
  if (lResult.ec == std::errc::result_out_of_range) {
    // Underflow is a tiny number, overflow is not representable.
    size_t lExp = lNarrow.find('e');
    bool lTiny = lExp != std::string::npos && lExp + 1 < lNarrow.size() && lNarrow[lExp + 1] == '-';
    if (!lTiny)
      throw EConvertError(
          Format(u"'%s' is not a valid floating point value", std::u16string(aText)));
    return lNarrow[0] == '-' ? -0.0 : 0.0;
  }
  return lValue;
}

bool OpenAITextToBoolean(std::u16string_view aText) {
  if (IsNullText(aText)) return false;
  if (SameASCII(aText, u"true")) return true;
  if (SameASCII(aText, u"false")) return false;
  throw EConvertError(Format(u"'%s' is not a valid boolean value", std::u16string(aText)));
}

std::unique_ptr<TozkJSON> OpenAIMemberDocument(TozkObjectJSON& aMember, bool* aCopied) {
  if (aCopied) *aCopied = false;
  TozkJSONtype lType = aMember.JSONType();
  if (lType == ozkJSONObject || lType == ozkJSONList) {
    // Value marks the nested document of a list as an array; the source ends up the same
    // whichever route is taken.
    if (lType == ozkJSONList) aMember.JSONObject()->SetIsArray(true);
    TozkJSON* lNested = aMember.NestedJSON();
    bool lFixFlags = false;
    if (lNested && (lType == ozkJSONList || !lNested->IsArray()) &&
        ParsesBackSame(*lNested, lType == ozkJSONList, lFixFlags)) {
      auto lDoc = std::make_unique<TozkJSON>();
      lDoc->Assign(*lNested);
      lDoc->SetIsArray(lType == ozkJSONList);
      if (lFixFlags) FixListFlags(*lDoc);
      if (aCopied) *aCopied = true;
      return lDoc;
    }
  }
  auto lDoc = std::make_unique<TozkJSON>();
  lDoc->Read(MemberText(aMember));
  return lDoc;
}

// --- TozkOpenAIClass ----------------------------------------------------------------------------

TozkOpenAIClass::TozkOpenAIClass(const std::u16string& aJSON) {
  Read(aJSON);
}

TozkOpenAIClass::~TozkOpenAIClass() = default;

TozkJSON* TozkOpenAIClass::GetJSON() {
  if (FView) {
    // The member read from becomes a document of the object's own.
    auto lDoc = std::make_shared<TozkJSON>();
    lDoc->Assign(*FView);
    if (FViewFixFlags) FixListFlags(*lDoc);
    FJSON = std::move(lDoc);
    FView = nullptr;
  } else if (!FJSON) {
    FJSON = std::make_shared<TozkJSON>();
  } else if (FJSON.use_count() > 1) {
    // Children read from this document still look at it: the caller may change what it gets,
    // so it gets a copy and the children keep what they were read from.
    auto lDoc = std::make_shared<TozkJSON>();
    lDoc->Assign(*FJSON);
    FJSON = std::move(lDoc);
  }
  return FJSON.get();
}

TozkJSON* TozkOpenAIClass::ReadDoc() {
  if (FView) return FView;
  if (!FJSON) FJSON = std::make_shared<TozkJSON>();
  return FJSON.get();
}

void TozkOpenAIClass::Read(std::u16string_view aJSON) {
  // A document that children still look at is left to them.
  FView = nullptr;
  if (!FJSON || FJSON.use_count() > 1) FJSON = std::make_shared<TozkJSON>();
  FJSON->Read(aJSON);
  DoReadJSON();
}

std::u16string TozkOpenAIClass::AsString() {
  DoWriteJSON();
  return GetJSON()->Text();
}

void TozkOpenAIClass::SetNestedReadThroughText(bool aValue) {
  GNestedReadThroughText = aValue;
}

bool TozkOpenAIClass::NestedReadThroughText() {
  return GNestedReadThroughText;
}

void TozkOpenAIClass::ReadMember(TozkOpenAIClass& aParent, TozkObjectJSON& aMember) {
  TozkJSONtype lType = aMember.JSONType();
  TozkJSON* lNested = aMember.NestedJSON();
  if (GNestedReadThroughText || (lType != ozkJSONObject && lType != ozkJSONList) || !lNested) {
    Read(MemberText(aMember));
    return;
  }
  // Value marks the nested document of a list as an array, whichever route is taken.
  if (lType == ozkJSONList) lNested->SetIsArray(true);
  bool lFixFlags = false;
  bool lSame;
  if (aParent.FView) {
    // The parent's view passed the check below, and with it every member inside it.
    lSame = true;
    lFixFlags = aParent.FViewFixFlags;
  } else {
    lSame = (lType == ozkJSONList || !lNested->IsArray()) &&
            ParsesBackSame(*lNested, lType == ozkJSONList, lFixFlags);
  }
  if (!lSame) {
    Read(MemberText(aMember));
    return;
  }
  // Read straight from the member: nothing is copied unless the document is asked for.
  aParent.ReadDoc();
  FJSON = aParent.FJSON;
  FView = lNested;
  FViewFixFlags = lFixFlags;
  DoReadJSON();
}

TozkObjectJSON* TozkOpenAIClass::FindMember(std::u16string_view aName, TozkObjectJSON* aMember) {
  if (aMember) {
    // The nested document is looked at without creating one, which would turn a scalar member
    // into an object member of the response document.
    TozkJSON* lNested = aMember->NestedJSON();
    return lNested ? lNested->GetNode(aName) : nullptr;
  }
  return ReadDoc()->GetNode(aName);
}

TozkObjectJSON* TozkOpenAIClass::HolderOf(std::u16string_view aName, std::u16string_view aKind) {
  return FindMember(aName) ? nullptr : FindMember(aKind);
}

std::u16string TozkOpenAIClass::ReadString(std::u16string_view aName, TozkObjectJSON* aMember) {
  TozkObjectJSON* lMember = FindMember(aName, aMember);
  return lMember ? WithMemberText(*lMember, UnescapeText) : std::u16string();
}

int32_t TozkOpenAIClass::ReadInteger(std::u16string_view aName, TozkObjectJSON* aMember) {
  TozkObjectJSON* lMember = FindMember(aName, aMember);
  return lMember ? WithMemberText(*lMember, OpenAITextToInteger) : 0;
}

double TozkOpenAIClass::ReadDouble(std::u16string_view aName, TozkObjectJSON* aMember) {
  TozkObjectJSON* lMember = FindMember(aName, aMember);
  return lMember ? WithMemberText(*lMember, OpenAITextToDouble) : 0;
}

bool TozkOpenAIClass::ReadBoolean(std::u16string_view aName, TozkObjectJSON* aMember) {
  TozkObjectJSON* lMember = FindMember(aName, aMember);
  return lMember ? WithMemberText(*lMember, OpenAITextToBoolean) : false;
}

void TozkOpenAIClass::ReadMetaData(std::u16string_view aName, TStringList* aList,
                                   TozkObjectJSON* aMember) {
  if (!aList) return;
  TozkObjectJSON* lMember = FindMember(aName, aMember);
  if (!lMember || lMember->JSONType() != ozkJSONObject || !lMember->NestedJSON()) return;
  for (const auto& lEntry : lMember->NestedJSON()->Members())
    aList->Add(lEntry->Name() + u"=" + MemberText(*lEntry));
}

std::u16string TozkOpenAIClass::ItemType(TozkObjectJSON& aItem) {
  return DocumentType(aItem.NestedJSON());
}

std::u16string TozkOpenAIClass::DocumentType(const TozkJSON* aDoc) {
  const TozkObjectJSON* lType = aDoc ? aDoc->GetNode(u"type") : nullptr;
  if (!lType || lType->JSONType() != ozkJSONString) return {};
  const TozkJSONValue& lValue = lType->StoredValue();
  if (lValue.IsText()) return JSONUnescape(lValue.TextView());
  return JSONUnescape(lValue.AsString());
}

void TozkOpenAIClass::ReadStringList(std::u16string_view aName, TStringList& aList,
                                     TozkObjectJSON* aParent) {
  aList.Clear();
  TozkObjectJSON* lMember = FindMember(aName, aParent);
  if (!lMember || !lMember->NestedJSON()) return;
  for (const auto& lItem : lMember->NestedJSON()->Members()) aList.Add(MemberText(*lItem));
}

void TozkOpenAIClass::WriteQuotedText(TozkJSON& aDoc, std::u16string_view aName,
                                      const std::u16string& aValue) {
  aDoc.AddPair(aName, aValue)->SetQuoted(true);
}

std::u16string TozkOpenAIClass::ValueText(TozkObjectJSON& aMember) {
  return MemberText(aMember);
}

std::u16string TozkOpenAIClass::IndexName(size_t aIndex) {
  return IntToStr(static_cast<int64_t>(aIndex));
}

void TozkOpenAIClass::WriteStringList(TozkJSON& aDoc, std::u16string_view aName,
                                      const TStringList& aList) {
  TozkJSON* lItems = aDoc.AddArray(aName, u"")->JSONObject();
  for (int i = 0; i < aList.Count(); ++i)
    lItems->AddPair(IndexName(static_cast<size_t>(i)), aList[i]);
}

void TozkOpenAIClass::WriteMetaData(TozkJSON& aDoc, const TStringList* aList) {
  if (!aList || aList->Count() == 0) return;
  TozkJSON* lMeta = aDoc.AddObject(u"metadata", u"")->JSONObject();
  for (const auto& lLine : *aList) {
    size_t lSep = lLine.find(u'=');
    if (lSep == std::u16string::npos)
      lMeta->AddPair(lLine, u"");
    else
      lMeta->AddPair(std::u16string_view(lLine).substr(0, lSep),
                     std::u16string_view(lLine).substr(lSep + 1));
  }
}

// --- Usage, last error --------------------------------------------------------------------------

TozkOpenAIClass_Usage::TozkOpenAIClass_Usage(const std::u16string& aJSON)
    : TozkOpenAIClass_Usage(TozkOpenAINoDefaults{}) {
  Read(aJSON);
}

void TozkOpenAIClass_Usage::DoReadJSON() {
  FCompletionTokens = ReadInteger(u"completion_tokens");
  FPromptTokens = ReadInteger(u"prompt_tokens");
  FTotalTokens = ReadInteger(u"total_tokens");
}

TozkOpenAIClass_Last_Error::TozkOpenAIClass_Last_Error(const std::u16string& aJSON)
    : TozkOpenAIClass_Last_Error(TozkOpenAINoDefaults{}) {
  Read(aJSON);
}

void TozkOpenAIClass_Last_Error::DoReadJSON() {
  FCode = ReadString(u"code");
  F_Message = ReadString(u"message");
}

void TozkOpenAIClass_Last_Error::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (!FCode.empty()) lDoc->AddPair(u"code", FCode);
  if (!F_Message.empty()) lDoc->AddPair(u"message", F_Message);
}

// --- Lists ---------------------------------------------------------------------------------------

void TozkOpenAIClass_Response_List::DoReadJSON() {
  DoClearItems();
  TozkObjectJSON* lData = FindMember(u"data");
  if (!lData || !lData->NestedJSON()) return;
  TozkJSON* lItems = lData->NestedJSON();
  for (int i = 0; i < lItems->Count(); ++i) {
    TozkObjectJSON& lItem = *lItems->GetItem(i);
    if (NestedReadThroughText())
      DoAddItem(MemberText(lItem));
    else
      DoAddItemMember(lItem);
  }
}
