#include "net/ozkIdGlobal.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

#include "base/ozkException.h"
#include "base/ozkText.h"

TEST(IdFileStreams, AppendStreamKeepsContentAndDeniesOtherWriters) {
  const auto path =
      UTF8ToUTF16(std::string(::testing::TempDir()) + "ozk_append_" + std::to_string(::getpid()));
  {
    TIdAppendFileStream first(path); // created when missing
    first.WriteBuffer("ab", 2);
  }
  {
    TIdAppendFileStream again(path);
    EXPECT_EQ(again.Position(), 2); // positioned at the end, nothing truncated
    again.WriteBuffer("c", 1);
    EXPECT_THROW(TIdAppendFileStream{path}, EFOpenError);
    EXPECT_THROW(TIdReadFileExclusiveStream{path}, EFOpenError);
  }
  TIdReadFileExclusiveStream reader(path);
  char buf[3];
  reader.ReadBuffer(buf, 3);
  EXPECT_EQ(std::string(buf, 3), "abc");
  ::unlink(UTF16ToUTF8(path).c_str());
}

TEST(IdClock, MonotonicNeverGoesBackwards) {
  uint64_t a = MonotonicMilliseconds();
  uint64_t b = MonotonicMilliseconds();
  EXPECT_GE(b, a);
  EXPECT_LT(ElapsedMilliseconds(a), 60000u);
}
