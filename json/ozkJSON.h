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
class TozkJSONValue {
public:
  TozkJSONValue() = default;
  TozkJSONValue(std::u16string aText) : FData(std::move(aText)) {}
  TozkJSONValue(const char16_t* aText) : FData(std::u16string(aText)) {}
  TozkJSONValue(int32_t aValue) : FData(aValue) {}
  TozkJSONValue(int64_t aValue) : FData(aValue) {}
  TozkJSONValue(double aValue) : FData(aValue) {}
  TozkJSONValue(bool aValue) : FData(aValue) {}

  bool IsEmpty() const { return FData.index() == 0; }
  bool IsText() const { return FData.index() == 1; }
  // Integers in decimal, a double in the writer's number format, a Boolean as "true" or
  // "false", nothing as empty text.
  std::u16string AsString() const;
  // The stored text, or empty when the value is not text (no conversion, no copy).
  const std::u16string& Text() const;

  using TData = std::variant<std::monostate, std::u16string, int32_t, int64_t, double, bool>;
  const TData& Data() const { return FData; }

private:
  TData FData;
};

class TozkObjectJSON;

class TozkJSON : public TComponent {
public:
  explicit TozkJSON(TComponent* aOwner = nullptr);
  ~TozkJSON() override;

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
  // and keeps the members read before it.
  void Read(std::u16string_view aText);
  std::u16string Text() const;

  // Deep copy of another document (members, nested documents and flags).
  void Assign(const TPersistent& aSource) override;

  const std::vector<std::unique_ptr<TozkObjectJSON>>& Members() const { return FData; }

private:
  friend class TozkJSONParser;
  friend class TozkJSONWriter;

  bool FIsArray = false;
  std::vector<std::unique_ptr<TozkObjectJSON>> FData;
  bool FEscapeStrings = false;
};

// A member. Members are plain objects (not components): a document may hold hundreds of
// thousands of them, and none is ever given an owner other than its document.
class TozkObjectJSON {
public:
  TozkObjectJSON();
  ~TozkObjectJSON();
  TozkObjectJSON(const TozkObjectJSON&) = delete;
  TozkObjectJSON& operator=(const TozkObjectJSON&) = delete;

  const std::u16string& Name() const { return FName; }
  void SetName(std::u16string aName) { FName = std::move(aName); }
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

  bool FQuoted = true;
  TozkJSONValue FValue;
  std::u16string FName;
  std::unique_ptr<TozkJSON> FJSONObject;
  TozkJSONtype FJSONType = ozkJSONUndefined;
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
std::u16string JSONFloatToStr(double aValue);
