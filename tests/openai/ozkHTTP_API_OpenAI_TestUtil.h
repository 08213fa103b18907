// Helpers shared by the object-model tests: switching the nested-read route, comparing two JSON
// trees member by member.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "base/ozkText.h"
#include "openai/ozkHTTP_API_OpenAI_ModelBase.h"
#include "json/ozkJSON.h"

namespace ozktest {

// Reads nested members through their JSON text while it lives.
class TextRoute {
 public:
  explicit TextRoute(bool aOn) : FOld(TozkOpenAIClass::NestedReadThroughText()) {
    TozkOpenAIClass::SetNestedReadThroughText(aOn);
  }
  ~TextRoute() { TozkOpenAIClass::SetNestedReadThroughText(FOld); }

 private:
  bool FOld;
};

// Runs aBody once with the copying route and once with the text route: every check inside must
// hold for both.
inline void ForBothRoutes(const std::function<void()>& aBody) {
  for (bool lText : {false, true}) {
    SCOPED_TRACE(lText ? "text route" : "copy route");
    TextRoute lRoute(lText);
    aBody();
  }
}

// Describes the first difference between two trees, or gives empty text when they are the same
// (names, kinds, stored values, quoting, array flags, nesting).
inline std::string TreeDifference(const TozkJSON& a, const TozkJSON& b, const std::string& aPath) {
  if (a.IsArray() != b.IsArray()) return aPath + ": IsArray differs";
  if (a.Count() != b.Count()) return aPath + ": member count differs";
  for (int i = 0; i < a.Count(); ++i) {
    const TozkObjectJSON& x = *a.Members()[static_cast<size_t>(i)];
    const TozkObjectJSON& y = *b.Members()[static_cast<size_t>(i)];
    std::string lPath = aPath + "/" + std::to_string(i) + ":" + UTF16ToUTF8(x.Name());
    if (x.Name() != y.Name()) return lPath + ": name differs";
    if (x.JSONType() != y.JSONType()) return lPath + ": kind differs";
    if (x.Quoted() != y.Quoted()) return lPath + ": quoting differs";
    if (!(x.StoredValue().Data() == y.StoredValue().Data())) return lPath + ": value differs";
    if ((x.NestedJSON() == nullptr) != (y.NestedJSON() == nullptr))
      return lPath + ": nested document present in one only";
    if (x.NestedJSON()) {
      std::string lNested = TreeDifference(*x.NestedJSON(), *y.NestedJSON(), lPath);
      if (!lNested.empty()) return lNested;
    }
  }
  return {};
}

} // namespace ozktest
