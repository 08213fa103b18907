// The tolerant JSON library: an ordered tree of named members, a parser that never fails
// (it stops at the first fault and keeps what it read), a compact writer, the escaper used
// when EscapeStrings is on, and JSONUnescape for readers that want decoded text.
//
// String values and names are kept exactly as they stand between their quotes, escapes
// included; writing emits them unchanged.
//
// Ownership: a document owns its members; a member owns its nested document. Member and
// document pointers handed out are non-owning handles, valid while the owner holds them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/ozkComponent.h"
#include "base/ozkException.h"

enum TozkJSONtype : uint8_t {
  ozkJSONUndefined = 0,
  ozkJSONObject = 1,
  ozkJSONList = 2,
  ozkJSONString = 3,
  ozkJSONNumber = 4,
  ozkJSONBoolean = 5,
  ozkJSONNull = 6,
};

// A member's scalar value: nothing, text, a 32-bit or 64-bit integer, a double or a Boolean.
//
// Text read by the parser is not copied out of the document's source text until someone asks
// for it as a std::u16string (Text, Data, a copy); a copy of a value always owns its text.
// That makes reading a value logically const but not safe to share between threads, like
// the rest of the document.
class TozkJSONValue {
 public:
  TozkJSONValue() = default;
  TozkJSONValue(std::u16string aText) : FData(std::move(aText)) {}
  TozkJSONValue(const char16_t* aText) : FData(std::u16string(aText)) {}
  TozkJSONValue(int32_t aValue) : FData(aValue) {}
  TozkJSONValue(int64_t aValue) : FData(aValue) {}
  TozkJSONValue(double aValue) : FData(aValue) {}
  TozkJSONValue(bool aValue) : FData(aValue) {}
  TozkJSONValue(const TozkJSONValue& aOther);
  TozkJSONValue(TozkJSONValue&& aOther) noexcept = default;
  TozkJSONValue& operator=(const TozkJSONValue& aOther);
  TozkJSONValue& operator=(TozkJSONValue&& aOther) noexcept = default;

  bool IsEmpty() const { return FData.index() == 0 && !FSource; }
  bool IsText() const { return FData.index() == 1 || FSource; }
  // Integers in decimal, a double in the writer's number format, a Boolean as "true" or
  // "false", nothing as empty text.
  std::u16string AsString() const;
  // The stored text, or empty when the value is not text (no conversion).
  const std::u16string& Text() const;
  // The stored text without building a string; empty when the value is not text. Valid
  // while the value is unchanged and its document holds it.
  std::u16string_view TextView() const;

  using TData = std::variant<std::monostate, std::u16string, int32_t, int64_t, double, bool>;
  const TData& Data() const {
    Materialize();
    return FData;
  }

 private:
  friend class TozkJSONParser;

  void Materialize() const {
    if (FSource) {
      FData.template emplace<std::u16string>(FSource, FSourceLength);
      FSource = nullptr;
    }
  }

  mutable TData FData;
  // Parsed text still standing in the document's source (or a static literal); it takes
  // precedence over FData while set.
  mutable const char16_t* FSource = nullptr;
  size_t FSourceLength = 0;
};

class TozkObjectJSON;

class TozkJSON : public TComponent {
 public:
  explicit TozkJSON(TComponent* aOwner = nullptr);
  ~TozkJSON() override;

  // Documents come from small per-thread blocks, like members (a parse creates one per
  // object or array); classes derived from TozkJSON use the general heap.
  static void* operator new(size_t aSize);
  static void operator delete(void* aPointer, size_t aSize) noexcept;

  int Count() const { return static_cast<int>(FData.size()); }
  // First member whose name equals aName exactly, or nullptr.
  TozkObjectJSON* GetNode(std::u16string_view aName) const;
  // Puts aValue in the place of the first member named aName (the old member is freed);
  // without such a member nothing happens and aValue is freed.
  void SetNode(std::u16string_view aName, std::unique_ptr<TozkObjectJSON> aValue);
  TozkObjectJSON* GetItem(int aIndex) const;
  void SetItem(int aIndex, std::unique_ptr<TozkObjectJSON> aValue);

  bool IsArray() const { return FIsArray; }
  void SetIsArray(bool aValue) { FIsArray = aValue; }
  bool EscapeStrings() const { return FEscapeStrings; }
  void SetEscapeStrings(bool aValue) { FEscapeStrings = aValue; }

  // Each Add returns the member; a member already named aName gets the new stored value and
  // is returned instead (nothing is appended).
  TozkObjectJSON* AddPair(std::u16string_view aName, std::u16string_view aValue);
  TozkObjectJSON* AddPair(std::u16string_view aName, const std::u16string& aValue) {
    return AddPair(aName, std::u16string_view(aValue));
  }
  TozkObjectJSON* AddPair(std::u16string_view aName, const char16_t* aValue) {
    return AddPair(aName, std::u16string_view(aValue));
  }
  TozkObjectJSON* AddPair(std::u16string_view aName, int32_t aValue);
  TozkObjectJSON* AddPair(std::u16string_view aName, int64_t aValue);
  TozkObjectJSON* AddPair(std::u16string_view aName, double aValue);
  TozkObjectJSON* AddPair(std::u16string_view aName, bool aValue);
  TozkObjectJSON* AddPair(std::u16string_view aName); // null
  TozkObjectJSON* AddObject(std::u16string_view aName, std::u16string_view aValue);
  TozkObjectJSON* AddArray(std::u16string_view aName, std::u16string_view aValue);

  void Clear();
  // Replaces the content by the parse of aText. Never fails: parsing stops at the first fault
  // and keeps the members read before it. The document keeps its own copy of the text (the
  // rvalue form adopts the string), so aText may be anything, even text of this document.
  void Read(std::u16string_view aText);
  void Read(std::u16string&& aText);
  void Read(const char16_t* aText) { Read(std::u16string_view(aText)); }
  std::u16string Text() const;

  // Deep copy of another document (members, nested documents and flags).
  void Assign(const TPersistent& aSource) override;

  const std::vector<std::unique_ptr<TozkObjectJSON>>& Members() const { return FData; }

  // Nesting depth (containers, the document itself counted) beyond which Read stops as at
  // any other fault. The library itself walks documents without recursion; the bound keeps
  // hostile input from reaching code that walks a parsed document recursively.
  static constexpr int MaxDepth = 512;

 private:
  friend class TozkJSONParser;
  friend class TozkJSONWriter;
  friend class TozkObjectJSON;

  // Frees every member without recursing once per nesting level.
  void FreeMembers();
  void Parse();

  bool FIsArray = false;
  bool FEscapeStrings = false;
  std::vector<std::unique_ptr<TozkObjectJSON>> FData;
  // The text of the last Read. Names and texts of the members it produced (nested documents
  // included) point into it until they are asked for as strings; it lives until the next
  // Read, Clear or the document's end, when those members are gone too.
  std::u16string FSource;
};

// A member. Members are plain objects (not components): a document may hold hundreds of
// thousands of them, and none is ever given an owner other than its document.
//
// Members come from small per-thread blocks instead of the general heap (parsing allocates
// one per value); new/delete and std::unique_ptr work as usual, from any thread. A block
// goes back to the heap when its last member is freed.
class TozkObjectJSON final {
 public:
  TozkObjectJSON() = default;
  ~TozkObjectJSON() = default;
  TozkObjectJSON(const TozkObjectJSON&) = delete;
  TozkObjectJSON& operator=(const TozkObjectJSON&) = delete;

  static void* operator new(size_t aSize);
  static void operator delete(void* aPointer) noexcept;

  // Valid until the name is set again or the member goes.
  const std::u16string& Name() const;
  // The name without building a string.
  std::u16string_view NameView() const {
    if (FNameSource) return std::u16string_view(FNameSource, FNameLength);
    return FName ? std::u16string_view(*FName) : std::u16string_view();
  }
  void SetName(std::u16string aName);
  // Object member: the nested document's Text; list member: the nested document is marked as
  // an array and its Text returned; any other kind: the stored value.
  TozkJSONValue Value();
  // The stored value, whatever the kind (no text is built).
  const TozkJSONValue& StoredValue() const { return FValue; }
  void SetValue(TozkJSONValue aValue) { FValue = std::move(aValue); }
  TozkJSONtype JSONType() const { return FJSONType; }
  void SetJSONType(TozkJSONtype aType) { FJSONType = aType; }
  bool Quoted() const { return FQuoted; }
  void SetQuoted(bool aValue) { FQuoted = aValue; }

  // The nested document, created on first access; when created, a kind other than
  // ozkJSONList becomes ozkJSONObject.
  TozkJSON* JSONObject();
  // The nested document without creating it (nullptr when there is none).
  TozkJSON* NestedJSON() const { return FJSONObject.get(); }
  void SetJSONObject(std::unique_ptr<TozkJSON> aValue);

  // Count of the nested document, 0 without one (reading it creates nothing).
  int Count() const;
  TozkObjectJSON* GetNode(std::u16string_view aName);
  void SetNode(std::u16string_view aName, std::unique_ptr<TozkObjectJSON> aValue);
  TozkObjectJSON* GetItem(int aIndex);
  void SetItem(int aIndex, std::unique_ptr<TozkObjectJSON> aValue);
  // Drops the nested document.
  void Clear();

 private:
  friend class TozkJSON;
  friend class TozkJSONParser;
  friend class TozkJSONWriter;

  using TMemberList = std::vector<std::unique_ptr<TozkObjectJSON>>;
  // Frees every member of aList and everything below them, and empties aList. Members go in
  // document order, which is the order a parse allocated them in, so memory is walked
  // forward; block counts are settled once per run of members from the same block. Freeing
  // never recurses: the member lists still to be walked wait on a heap stack.
  static void DeleteTree(TMemberList& aList);

  // The small fields sit together to keep a member small (documents hold many).
  bool FQuoted = true;
  TozkJSONtype FJSONType = ozkJSONUndefined;
  uint32_t FNameLength = 0;
  TozkJSONValue FValue;
  // A parsed name stands in the document's source until Name() copies it into FName. A
  // name of its own is rare (the parser's members have none), so it costs a pointer until
  // there is one.
  mutable const char16_t* FNameSource = nullptr;
  mutable std::unique_ptr<std::u16string> FName;
  std::unique_ptr<TozkJSON> FJSONObject;
};

// Error of JSONUnescape: "Unexpected end of string" or "Invalid code at position %d".
class EozkJSONError : public Exception {
 public:
  using Exception::Exception;
};

// Decodes JSON escapes; positions in messages are 1-based UTF-16 positions of the backslash.
std::u16string JSONUnescape(std::u16string_view aText);
// The document escaper applied by AddPair when EscapeStrings is on.
std::u16string JSONEscape(std::u16string_view aText);
// The writer's number format of a double: at most 15 significant digits, fixed notation for
// magnitudes from 0.00001 with at most 15 integer digits, else scientific with "E".
// Infinities and NaN give "INF", "-INF" and "NAN" (the writer writes such members as null).
std::u16string JSONFloatToStr(double aValue);
