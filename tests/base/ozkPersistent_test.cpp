#include "base/ozkPersistent.h"

#include <gtest/gtest.h>

#include "base/ozkException.h"
#include "base/ozkStringList.h"

namespace {
class TSampleOptions : public TPersistent {
 public:
  int Value = 0;
  void Assign(const TPersistent& aSource) override {
    if (auto* s = dynamic_cast<const TSampleOptions*>(&aSource)) {
      Value = s->Value;
      return;
    }
    TPersistent::Assign(aSource);
  }
};
class TOtherOptions : public TPersistent {};
} // namespace

TEST(TPersistent, AssignCopiesSameClassAndRefusesOthers) {
  TSampleOptions a, b;
  a.Value = 7;
  b.Assign(a);
  EXPECT_EQ(b.Value, 7);
  TOtherOptions other;
  try {
    b.Assign(other);
    FAIL() << "expected EConvertError";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"Cannot assign a (anonymous namespace)::TOtherOptions to a "
                           u"(anonymous namespace)::TSampleOptions");
  }
  TStringList list;
  EXPECT_THROW(list.Assign(a), EConvertError);
}
