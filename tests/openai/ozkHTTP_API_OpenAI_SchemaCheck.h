// A small checker of request bodies against the request schemas of the service's API
// description (tests/openai/responses_request_schemas.json, made by extract_request_schemas.py).
//
// It knows the keywords those schemas use: $ref, type, enum, const, properties, required,
// additionalProperties, items, allOf, anyOf, oneOf, the length, count and range bounds and
// maxProperties. oneOf is taken as anyOf (several input-message shapes overlap and the
// discriminator picks among them); format, pattern and $recursiveRef are not checked. It is
// stricter than the schemas in one way: a member that an object schema does not declare is a
// fault when the schema says nothing about additional members, so a misspelt key is caught.
#pragma once

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/ozkText.h"
#include "json/ozkJSON.h"

namespace ozktest {

class TSchemaChecker {
 public:
  explicit TSchemaChecker(const std::string& aPath) {
    std::ifstream lFile(aPath, std::ios::binary);
    std::stringstream lText;
    lText << lFile.rdbuf();
    FDoc.Read(UTF8ToUTF16(lText.str()));
    TozkObjectJSON* lComponents = FDoc.GetNode(u"components");
    TozkObjectJSON* lSchemas = lComponents ? lComponents->GetNode(u"schemas") : nullptr;
    FSchemas = lSchemas ? lSchemas->NestedJSON() : nullptr;
  }

  bool Loaded() const { return FSchemas && FSchemas->Count() > 0; }

  // Empty when aBody satisfies the schema named aSchema, else its faults, one per line.
  std::string Check(const std::u16string& aBody, std::u16string_view aSchema) const {
    TozkJSON lWrapped;
    lWrapped.Read(u"{\"body\":" + aBody + u"}");
    TozkObjectJSON* lBody = lWrapped.GetNode(u"body");
    const TozkJSON* lSchema = Named(aSchema);
    if (!lBody) return "body does not parse\n";
    if (!lSchema) return "no schema " + UTF16ToUTF8(aSchema) + "\n";
    std::vector<std::string> lFaults;
    Validate(*lBody, *lSchema, "$", lFaults, true);
    std::string lResult;
    for (const auto& lFault : lFaults) lResult += lFault + "\n";
    return lResult;
  }

 private:
  using TFaults = std::vector<std::string>;

  const TozkJSON* Named(std::u16string_view aName) const {
    TozkObjectJSON* lNode = FSchemas ? FSchemas->GetNode(aName) : nullptr;
    return lNode ? lNode->NestedJSON() : nullptr;
  }
  static TozkObjectJSON* Key(const TozkJSON& aSchema, std::u16string_view aName) {
    return aSchema.GetNode(aName);
  }
  static std::u16string Text(const TozkObjectJSON& aMember) {
    return JSONUnescape(aMember.StoredValue().TextView());
  }
  static const TozkJSON* Nested(const TozkObjectJSON* aMember) {
    return aMember ? aMember->NestedJSON() : nullptr;
  }
  const TozkJSON* Resolve(const TozkJSON& aSchema) const {
    TozkObjectJSON* lRef = Key(aSchema, u"$ref");
    if (!lRef) return &aSchema;
    std::u16string lName = Text(*lRef);
    return Named(lName.substr(lName.rfind(u'/') + 1));
  }
  static double Number(const TozkObjectJSON& aMember) {
    return std::stod(UTF16ToUTF8(aMember.StoredValue().AsString()));
  }

  static bool HasType(const TozkObjectJSON& aValue, std::u16string_view aType) {
    TozkJSONtype lKind = aValue.JSONType();
    if (aType == u"object") return lKind == ozkJSONObject;
    if (aType == u"array") return lKind == ozkJSONList;
    if (aType == u"string") return lKind == ozkJSONString;
    if (aType == u"boolean") return lKind == ozkJSONBoolean;
    if (aType == u"null") return lKind == ozkJSONNull;
    if (aType == u"number") return lKind == ozkJSONNumber;
    if (aType == u"integer") {
      if (lKind != ozkJSONNumber) return false;
      std::u16string lText = aValue.StoredValue().AsString();
      return lText.find_first_of(u".eE") == std::u16string::npos;
    }
    return false;
  }

  static bool SameValue(const TozkObjectJSON& aValue, const TozkObjectJSON& aAllowed) {
    if (aValue.JSONType() != aAllowed.JSONType()) return false;
    if (aValue.JSONType() == ozkJSONString) return Text(aValue) == Text(aAllowed);
    return aValue.StoredValue().AsString() == aAllowed.StoredValue().AsString();
  }

  // The members an object schema declares, its allOf parts included.
  void Known(const TozkJSON& aSchema, std::set<std::u16string>& aNames) const {
    const TozkJSON* lSchema = Resolve(aSchema);
    if (!lSchema) return;
    if (const TozkJSON* lProps = Nested(Key(*lSchema, u"properties")))
      for (const auto& lProp : lProps->Members()) aNames.insert(lProp->Name());
    if (const TozkJSON* lAll = Nested(Key(*lSchema, u"allOf")))
      for (const auto& lPart : lAll->Members())
        if (lPart->NestedJSON()) Known(*lPart->NestedJSON(), aNames);
  }

  // aCheckUnknown is false for the parts of an allOf: their union is checked once above them.
  void Validate(const TozkObjectJSON& aValue, const TozkJSON& aSchema, const std::string& aPath,
                TFaults& aFaults, bool aCheckUnknown) const {
    if (TozkObjectJSON* lRef = Key(aSchema, u"$ref")) {
      const TozkJSON* lTarget = Resolve(aSchema);
      if (!lTarget) {
        aFaults.push_back(aPath + ": unresolved " + UTF16ToUTF8(Text(*lRef)));
        return;
      }
      Validate(aValue, *lTarget, aPath, aFaults, aCheckUnknown);
    }
    if (TozkObjectJSON* lType = Key(aSchema, u"type"))
      if (!HasType(aValue, Text(*lType))) {
        aFaults.push_back(aPath + ": not of type " + UTF16ToUTF8(Text(*lType)));
        return;
      }
    if (const TozkJSON* lEnum = Nested(Key(aSchema, u"enum"))) {
      bool lFound = false;
      for (const auto& lAllowed : lEnum->Members()) lFound = lFound || SameValue(aValue, *lAllowed);
      if (!lFound) aFaults.push_back(aPath + ": not one of the enumerated values");
    }
    if (TozkObjectJSON* lConst = Key(aSchema, u"const"))
      if (!SameValue(aValue, *lConst)) aFaults.push_back(aPath + ": not the constant value");
    CheckBounds(aValue, aSchema, aPath, aFaults);
    if (const TozkJSON* lAll = Nested(Key(aSchema, u"allOf")))
      for (const auto& lPart : lAll->Members())
        if (lPart->NestedJSON()) Validate(aValue, *lPart->NestedJSON(), aPath, aFaults, false);
    for (std::u16string_view lKey : {u"anyOf", u"oneOf"})
      if (const TozkJSON* lAny = Nested(Key(aSchema, lKey)))
        CheckAny(aValue, *lAny, aPath, aFaults);
    if (aValue.JSONType() == ozkJSONObject)
      CheckObject(aValue, aSchema, aPath, aFaults, aCheckUnknown);
    if (aValue.JSONType() == ozkJSONList)
      if (const TozkJSON* lItems = Nested(Key(aSchema, u"items")))
        if (const TozkJSON* lValues = aValue.NestedJSON())
          for (int i = 0; i < lValues->Count(); ++i)
            Validate(*lValues->GetItem(i), *lItems, aPath + "[" + std::to_string(i) + "]", aFaults,
                     true);
  }

  void CheckAny(const TozkObjectJSON& aValue, const TozkJSON& aBranches, const std::string& aPath,
                TFaults& aFaults) const {
    // The closest branch is the one of the value's own type and "type" member with the
    // fewest faults; a branch of another shape tells nothing about what went wrong.
    auto lScore = [&](const TFaults& aBranchFaults) {
      size_t lScore = aBranchFaults.size();
      for (const auto& lFault : aBranchFaults)
        if (lFault.rfind(aPath + ": not of type", 0) == 0 || lFault.rfind(aPath + ".type:", 0) == 0)
          lScore += 1000;
      return lScore;
    };
    TFaults lBest;
    size_t lBestScore = 0;
    for (const auto& lBranch : aBranches.Members()) {
      if (!lBranch->NestedJSON()) continue;
      TFaults lFaults;
      Validate(aValue, *lBranch->NestedJSON(), aPath, lFaults, true);
      if (lFaults.empty()) return;
      if (lBest.empty() || lScore(lFaults) < lBestScore) {
        lBestScore = lScore(lFaults);
        lBest = lFaults;
      }
    }
    aFaults.push_back(aPath + ": matches none of " + std::to_string(aBranches.Count()) +
                      " alternatives; the closest says:");
    for (const auto& lFault : lBest) aFaults.push_back("  " + lFault);
  }

  void CheckObject(const TozkObjectJSON& aValue, const TozkJSON& aSchema, const std::string& aPath,
                   TFaults& aFaults, bool aCheckUnknown) const {
    const TozkJSON* lMembers = aValue.NestedJSON();
    const TozkJSON* lProps = Nested(Key(aSchema, u"properties"));
    if (const TozkJSON* lRequired = Nested(Key(aSchema, u"required")))
      for (const auto& lName : lRequired->Members())
        if (!lMembers || !lMembers->GetNode(Text(*lName)))
          aFaults.push_back(aPath + ": lacks required " + UTF16ToUTF8(Text(*lName)));
    if (TozkObjectJSON* lMax = Key(aSchema, u"maxProperties"))
      if (lMembers && lMembers->Count() > Number(*lMax))
        aFaults.push_back(aPath + ": too many members");
    if (!lMembers) return;
    TozkObjectJSON* lAdditional = Key(aSchema, u"additionalProperties");
    std::set<std::u16string> lKnown;
    Known(aSchema, lKnown);
    bool lDeclares = !lKnown.empty();
    for (const auto& lMember : lMembers->Members()) {
      std::string lPath = aPath + "." + UTF16ToUTF8(lMember->Name());
      if (const TozkJSON* lProp = lProps ? Nested(lProps->GetNode(lMember->Name())) : nullptr) {
        Validate(*lMember, *lProp, lPath, aFaults, true);
        continue;
      }
      if (lKnown.count(lMember->Name())) continue; // declared by an allOf part, checked there
      if (lAdditional && lAdditional->JSONType() == ozkJSONObject) {
        Validate(*lMember, *lAdditional->NestedJSON(), lPath, aFaults, true);
      } else if (lAdditional && lAdditional->JSONType() == ozkJSONBoolean) {
        if (Text(*lAdditional) == u"false") aFaults.push_back(lPath + ": not allowed");
      } else if (aCheckUnknown && lDeclares) {
        aFaults.push_back(lPath + ": not a member the schema declares");
      }
    }
  }

  void CheckBounds(const TozkObjectJSON& aValue, const TozkJSON& aSchema, const std::string& aPath,
                   TFaults& aFaults) const {
    auto lBound = [&](std::u16string_view aKey) { return Key(aSchema, aKey); };
    if (aValue.JSONType() == ozkJSONString) {
      double lLength = static_cast<double>(Text(aValue).size());
      if (lBound(u"minLength") && lLength < Number(*lBound(u"minLength")))
        aFaults.push_back(aPath + ": too short");
      if (lBound(u"maxLength") && lLength > Number(*lBound(u"maxLength")))
        aFaults.push_back(aPath + ": too long");
    }
    if (aValue.JSONType() == ozkJSONList) {
      double lCount = static_cast<double>(aValue.Count());
      if (lBound(u"minItems") && lCount < Number(*lBound(u"minItems")))
        aFaults.push_back(aPath + ": too few items");
      if (lBound(u"maxItems") && lCount > Number(*lBound(u"maxItems")))
        aFaults.push_back(aPath + ": too many items");
    }
    if (aValue.JSONType() == ozkJSONNumber) {
      double lNumber = Number(aValue);
      if (lBound(u"minimum") && lNumber < Number(*lBound(u"minimum")))
        aFaults.push_back(aPath + ": below the minimum");
      if (lBound(u"maximum") && lNumber > Number(*lBound(u"maximum")))
        aFaults.push_back(aPath + ": above the maximum");
    }
  }

  TozkJSON FDoc;
  TozkJSON* FSchemas = nullptr;
};

} // namespace ozktest
