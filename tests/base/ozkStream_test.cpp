#include "base/ozkStream.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "base/ozkException.h"
#include "base/ozkText.h"

namespace {
std::u16string TempPath(const char* aName) {
  return UTF8ToUTF16(std::string(::testing::TempDir()) + aName + std::to_string(::getpid()));
}
} // namespace

TEST(TMemoryStream, WriteReadSeekAndGrowth) {
  TMemoryStream m;
  m.WriteBuffer("hello", 5);
  m.SetPosition(10);
  m.WriteBuffer("!", 1); // writing past the end fills the gap with zeros
  EXPECT_EQ(m.Size(), 11);
  EXPECT_EQ(m.Memory()[7], 0);
  m.SetPosition(0);
  char buf[16] = {};
  EXPECT_EQ(m.Read(buf, 16), 11);
  EXPECT_EQ(std::string(buf, 5), "hello");
  EXPECT_EQ(m.Read(buf, 1), 0);
  EXPECT_THROW(m.ReadBuffer(buf, 1), EReadError);
  m.SetSize(2);
  EXPECT_EQ(m.Position(), 2);
  TMemoryStream copy;
  EXPECT_EQ(copy.CopyFrom(m, 0), 2); // 0 copies the whole source from its start
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(copy.Memory()), 2), "he");
}

TEST(TFileStream, CreateReadAndSharing) {
  const auto path = TempPath("ozk_stream_");
  {
    TFileStream f(path, fmCreate, 0600);
    f.WriteBuffer("data", 4);
    struct stat st {};
    ASSERT_EQ(::stat(UTF16ToUTF8(path).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // The writer holds the file: a second writer and a reader that denies writes are refused,
    // a reader that shares freely is let in.
    EXPECT_THROW(TFileStream(path, fmOpenReadWrite | fmShareDenyWrite), EFOpenError);
    EXPECT_THROW(TFileStream(path, fmOpenRead | fmShareDenyWrite), EFOpenError);
    TFileStream reader(path, fmOpenRead | fmShareDenyNone);
    EXPECT_EQ(reader.Size(), 4);
  }
  {
    TFileStream a(path, fmOpenRead | fmShareDenyWrite);
    TFileStream b(path, fmOpenRead | fmShareDenyWrite); // readers share
    char buf[4];
    b.ReadBuffer(buf, 4);
    EXPECT_EQ(std::string(buf, 4), "data");
  }
  ::unlink(UTF16ToUTF8(path).c_str());
  try {
    TFileStream missing(path, fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().find(u"Cannot open file \"" + path + u"\". "), std::u16string::npos);
  }
}
