// Base of the OpenAI object model: every request and response object carries its own JSON
// document, fills its fields from it (DoReadJSON) and writes its fields into it (DoWriteJSON).
// Also the shared pieces: the readers, the writer helpers, token usage, the error of a run and
// the list responses of the assistants endpoints.
//
// Ownership: an object owns its document, its child objects, the elements of its arrays and its
// string lists. Pointers handed out by getters are non-owning and stay valid while the object
// holds the child.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/ozkStringList.h"
#include "json/ozkJSON.h"

using TozkArrayOfString = std::vector<std::u16string>;
using TozkArrayOfDouble = std::vector<double>;

// Tag of the constructors that start an object without the plain constructor's defaults: the
// objects made from text (Create(aJSON)) begin there, so every field that the text does not
// hold keeps its zero value.
struct TozkOpenAINoDefaults {
  explicit TozkOpenAINoDefaults() = default;
};

// The two constructors every class adds to its plain one: Create(aJSON), and the start without
// defaults that Create(aJSON) delegates to.
#define OZK_OPENAI_CONSTRUCTORS(aClass, aBase)                                                     \
  explicit aClass(const std::u16string& aJSON) : aClass(TozkOpenAINoDefaults{}) {                  \
    Read(aJSON);                                                                                   \
  }                                                                                                \
  explicit aClass(TozkOpenAINoDefaults aTag) : aBase(aTag) {}

// The object behind a property that creates it on first read: made the first time, the same
// one afterwards. Reading a document drops it again when its member is absent
// (TozkOpenAIClass::ReadLazyChild).
template <class T> T* Lazy(std::unique_ptr<T>& aChild) {
  if (!aChild) aChild = std::make_unique<T>();
  return aChild.get();
}

class TozkOpenAIClass {
 public:
  TozkOpenAIClass() = default;
  explicit TozkOpenAIClass(const std::u16string& aJSON);
  explicit TozkOpenAIClass(TozkOpenAINoDefaults) {}
  virtual ~TozkOpenAIClass();
  TozkOpenAIClass(const TozkOpenAIClass&) = delete;
  TozkOpenAIClass& operator=(const TozkOpenAIClass&) = delete;

  // The object's own document, created on first use. An object read from a member of another
  // object's document looks at that member until its document is first asked for, and gets a
  // copy of it then; a document that such objects still look at is copied before it is handed
  // out, so what they see stays what they were read from.
  TozkJSON* GetJSON();

  // Replaces the document by the parse of aJSON, then fills the fields from it. Conversion and
  // unescaping errors propagate; the fields read before the error keep their values.
  void Read(std::u16string_view aJSON);
  // Writes the fields over the document (which is not cleared first) and returns its text, so
  // two calls in a row give the same text.
  std::u16string AsString();

  // Readers. With aMember the name is looked up in that member's nested document, otherwise in
  // the object's own document. Looking up never changes the document.
  std::u16string ReadString(std::u16string_view aName, TozkObjectJSON* aMember = nullptr);
  int32_t ReadInteger(std::u16string_view aName, TozkObjectJSON* aMember = nullptr);
  double ReadDouble(std::u16string_view aName, TozkObjectJSON* aMember = nullptr);
  bool ReadBoolean(std::u16string_view aName, TozkObjectJSON* aMember = nullptr);
  // Adds one name=value entry per member of the object aName, values as they stand in the
  // text (escapes kept), so that writing the list back gives the same members.
  void ReadMetaData(std::u16string_view aName, TStringList* aList,
                    TozkObjectJSON* aMember = nullptr);

  // Reads nested members by writing them to text and parsing that text again (the reference
  // behaviour) instead of reading the member's document in place. Both give the same objects;
  // tests and benchmarks switch it on to compare.
  static void SetNestedReadThroughText(bool aValue);
  static bool NestedReadThroughText();

 protected:
  virtual void DoReadJSON() {}
  virtual void DoWriteJSON() {}

  TozkObjectJSON* FindMember(std::u16string_view aName, TozkObjectJSON* aMember = nullptr);
  // The document the readers look at: the object's own, or the member it was read from.
  TozkJSON* ReadDoc();
  // Where the member aName of a tool or tool call is read: the object itself (none) when aName
  // stands at its top level, beside "type"; otherwise the object member aKind (named after the
  // tool's type), where the service puts the tool's own members.
  TozkObjectJSON* HolderOf(std::u16string_view aName, std::u16string_view aKind);

  // The child made from a member of aParent's document (as Create(aMember.Value()) would make
  // it), without the plain constructor's defaults.
  template <class T>
  static std::unique_ptr<T> CreateFromMember(TozkOpenAIClass& aParent, TozkObjectJSON& aMember) {
    auto lResult = std::make_unique<T>(TozkOpenAINoDefaults{});
    static_cast<TozkOpenAIClass&>(*lResult).ReadMember(aParent, aMember);
    return lResult;
  }
  // Reads a child that already exists (a property that creates its object on first read) from
  // a member of aParent's document, as aChild.Read(aMember.Value()) would.
  static void ReadChildMember(TozkOpenAIClass& aParent, TozkOpenAIClass& aChild,
                              TozkObjectJSON& aMember) {
    aChild.ReadMember(aParent, aMember);
  }
  // The child behind a property that creates its object on first read: read from the member
  // aName when it is present (created first when needed), dropped when it is absent.
  template <class T> void ReadLazyChild(std::u16string_view aName, std::unique_ptr<T>& aChild) {
    TozkObjectJSON* lMember = FindMember(aName);
    if (!lMember) {
      aChild.reset();
      return;
    }
    ReadChildMember(*this, *Lazy(aChild), *lMember);
  }

  // An array of objects: when the member is present and has elements, the array gets one entry
  // per element, made by aMake (which may give none for an element it does not recognise);
  // otherwise the array is emptied.
  template <class T, class F>
  void ReadObjectArray(std::u16string_view aName, std::vector<std::unique_ptr<T>>& aArray, F aMake,
                       TozkObjectJSON* aParent = nullptr) {
    aArray.clear();
    TozkObjectJSON* lMember = FindMember(aName, aParent);
    if (!lMember || lMember->Count() == 0) return;
    TozkJSON* lItems = lMember->NestedJSON();
    aArray.resize(static_cast<size_t>(lItems->Count()));
    for (int i = 0; i < lItems->Count(); ++i)
      aArray[static_cast<size_t>(i)] = aMake(*this, *lItems->GetItem(i));
  }
  template <class T>
  void ReadObjectArray(std::u16string_view aName, std::vector<std::unique_ptr<T>>& aArray,
                       TozkObjectJSON* aParent = nullptr) {
    ReadObjectArray(
        aName, aArray,
        [](TozkOpenAIClass& aOwner, TozkObjectJSON& aItem) {
          return CreateFromMember<T>(aOwner, aItem);
        },
        aParent);
  }
  // The "type" of an array element (decoded), empty when the element is not an object or its
  // "type" is not text.
  static std::u16string ItemType(TozkObjectJSON& aItem);
  // The "type" member of a document (decoded), empty when it has none or it is not text (an
  // object or a number names no kind). The element of ItemType and the document read from that
  // element's text give the same.
  static std::u16string DocumentType(const TozkJSON* aDoc);
  // Clears the list and adds each element's text as it stands (object elements as JSON text).
  void ReadStringList(std::u16string_view aName, TStringList& aList,
                      TozkObjectJSON* aParent = nullptr);

  // Writer helpers: the members that the writing rules of the subclasses share.
  void WriteStringList(TozkJSON& aDoc, std::u16string_view aName, const TStringList& aList);
  void WriteMetaData(TozkJSON& aDoc, const TStringList* aList);
  template <class T>
  void WriteObjectArray(TozkJSON& aDoc, std::u16string_view aName,
                        const std::vector<std::unique_ptr<T>>& aArray) {
    TozkJSON* lItems = aDoc.AddArray(aName, u"")->JSONObject();
    for (size_t i = 0; i < aArray.size(); ++i)
      if (aArray[i]) lItems->AddObject(IndexName(i), aArray[i]->AsString());
  }
  static std::u16string IndexName(size_t aIndex);
  // Free text written as a JSON string even when it begins with "{" or "[": a message or an
  // instruction that starts with a bracket must not turn into embedded JSON.
  static void WriteQuotedText(TozkJSON& aDoc, std::u16string_view aName,
                              const std::u16string& aValue);
  // A member's text as it stands, not decoded: object and list members give their JSON text.
  static std::u16string ValueText(TozkObjectJSON& aMember);

 private:
  // Fills this object from a member of aParent's document as Read(aMember.Value()) would.
  void ReadMember(TozkOpenAIClass& aParent, TozkObjectJSON& aMember);

  // The own document or, while FView is set, the document that holds FView (shared with the
  // object read from it and with the other children read from it; a child taken out of its
  // parent keeps that document alive until its own document is asked for or it is freed).
  std::shared_ptr<TozkJSON> FJSON;
  // The member's nested document this object was read from, until the object's own document
  // is asked for.
  TozkJSON* FView = nullptr;
  // Whether a copy of FView needs the array flags of its lists set as the parser sets them.
  bool FViewFixFlags = false;
};

// Conversions of the readers, on the text of a member. Absent text, empty text and "null" give
// zero (or false). Integers: leading spaces and a sign, "$" or "0x" for hexadecimal, the leading
// digits of text that is not a whole number; a value outside the 32-bit range gives 0.
// Doubles: "." as decimal separator whatever the locale; text that is not a number raises
// EConvertError. Booleans: "true" or "false" in any letter case, anything else raises.
int32_t OpenAITextToInteger(std::u16string_view aText);
double OpenAITextToDouble(std::u16string_view aText);
bool OpenAITextToBoolean(std::u16string_view aText);

// The document that Read(aMember.Value()) gives, built by copying the member's nested document
// when its text would parse back to the same tree (always the case for parsed documents), else
// by the text round trip. aCopied, when given, tells which way was taken.
std::unique_ptr<TozkJSON> OpenAIMemberDocument(TozkObjectJSON& aMember, bool* aCopied = nullptr);

// Token counts of a completion or a run. Read only: it writes nothing.
class TozkOpenAIClass_Usage : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Usage() = default;
  explicit TozkOpenAIClass_Usage(const std::u16string& aJSON);
  explicit TozkOpenAIClass_Usage(TozkOpenAINoDefaults a) : TozkOpenAIClass(a) {}

  int32_t CompletionTokens() const { return FCompletionTokens; }
  int32_t PromptTokens() const { return FPromptTokens; }
  int32_t TotalTokens() const { return FTotalTokens; }

 protected:
  void DoReadJSON() override;

 private:
  int32_t FCompletionTokens = 0;
  int32_t FPromptTokens = 0;
  int32_t FTotalTokens = 0;
};

// The error of a failed run.
class TozkOpenAIClass_Last_Error : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Last_Error() = default;
  explicit TozkOpenAIClass_Last_Error(const std::u16string& aJSON);
  explicit TozkOpenAIClass_Last_Error(TozkOpenAINoDefaults a) : TozkOpenAIClass(a) {}

  const std::u16string& Code() const { return FCode; }
  void SetCode(std::u16string aValue) { FCode = std::move(aValue); }
  const std::u16string& _Message() const { return F_Message; }
  void Set_Message(std::u16string aValue) { F_Message = std::move(aValue); }

 protected:
  void DoReadJSON() override;
  void DoWriteJSON() override;

 private:
  std::u16string FCode;
  std::u16string F_Message;
};

// A list response of the assistants endpoints: only the member "data" is read, each element
// handed to DoAddItem in order. The other members of the response have no fields.
class TozkOpenAIClass_Response_List : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_List() = default;
  explicit TozkOpenAIClass_Response_List(TozkOpenAINoDefaults a) : TozkOpenAIClass(a) {}

 protected:
  void DoReadJSON() override;
  // Appends one element made from aJSON with the element class's Create(aJSON).
  virtual void DoAddItem(const std::u16string& aJSON) = 0;
  // Appends one element made from a member of "data"; the same element as
  // DoAddItem(aItem.Value()), without the text round trip.
  virtual void DoAddItemMember(TozkObjectJSON& aItem) = 0;
  virtual void DoClearItems() = 0;
};

// The list classes differ only in their element class and in the name of their array.
template <class T> class TozkOpenAIClass_Response_ListOf : public TozkOpenAIClass_Response_List {
 public:
  using TItems = std::vector<std::unique_ptr<T>>;
  TozkOpenAIClass_Response_ListOf() = default;
  explicit TozkOpenAIClass_Response_ListOf(TozkOpenAINoDefaults a)
      : TozkOpenAIClass_Response_List(a) {}

 protected:
  void DoAddItem(const std::u16string& aJSON) override {
    FItems.push_back(std::make_unique<T>(aJSON));
  }
  void DoAddItemMember(TozkObjectJSON& aItem) override {
    FItems.push_back(CreateFromMember<T>(*this, aItem));
  }
  void DoClearItems() override { FItems.clear(); }

  TItems FItems;
};
