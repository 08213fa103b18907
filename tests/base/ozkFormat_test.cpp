#include "base/ozkFormat.h"

#include <gtest/gtest.h>

TEST(Format, SystemMessages) {
  EXPECT_EQ(Format(u"Socket Error # %d\r\n%s", 10054, u"Connection reset by peer."),
            u"Socket Error # 10054\r\nConnection reset by peer.");
  EXPECT_EQ(Format(u"Cannot assign a %s to a %s", std::u16string(u"A"), "B"),
            u"Cannot assign a A to a B");
  EXPECT_EQ(Format(u"Invalid count (%d)", -1), u"Invalid count (-1)");
}

TEST(Format, WidthPrecisionAndEdges) {
  EXPECT_EQ(Format(u"%5d|%-4d|%03d", 42, 7, -5), u"   42|7   |-05");
  EXPECT_EQ(Format(u"%.2x|%X", 10u, 255), u"0a|FF");
  EXPECT_EQ(Format(u"%.3f", 1.5), u"1.500");
  EXPECT_EQ(Format(u"100%% %s", u"done"), u"100% done");
  // A directive without an argument stays as written rather than reading past the arguments.
  EXPECT_EQ(Format(u"%d and %s", 1), u"1 and %s");
  EXPECT_EQ(Format(u"trailing %"), u"trailing %");
}
