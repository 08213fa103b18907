#include "base/ozkStringList.h"

#include <gtest/gtest.h>

#include "base/ozkException.h"

TEST(TStringList, TextEndsEveryLineWithCRLF) {
  TStringList l;
  EXPECT_EQ(l.Text(), u"");
  l.Add(u"a");
  l.Add(u"");
  l.Add(u"b");
  EXPECT_EQ(l.Text(), u"a\r\n\r\nb\r\n");
}

TEST(TStringList, SetTextSplitsAtEveryLineBreak) {
  TStringList l;
  l.SetText(u"one\r\ntwo\nthree\rfour");
  ASSERT_EQ(l.Count(), 4);
  EXPECT_EQ(l[3], u"four");
  l.SetText(u"x\r\n"); // a final break does not make an empty last line
  EXPECT_EQ(l.Count(), 1);
  l.SetText(u"x\r\n\r\n");
  EXPECT_EQ(l.Count(), 2);
  l.SetText(u"");
  EXPECT_EQ(l.Count(), 0);
}

TEST(TStringList, NameValuePairs) {
  TStringList l;
  l.Add(u"Content-Type=text/plain");
  l.Add(u"novalue");
  l.Add(u"k=a=b");
  EXPECT_EQ(l.Values(u"content-type"), u"text/plain");
  EXPECT_EQ(l.Values(u"k"), u"a=b");
  EXPECT_EQ(l.Names(1), u"");
  EXPECT_EQ(l.IndexOfName(u"novalue"), -1);
  l.SetValues(u"K", u"c");
  EXPECT_EQ(l[2], u"K=c");
  l.SetValues(u"new", u"1");
  EXPECT_EQ(l.Count(), 4);
  l.SetValues(u"new", u"");
  EXPECT_EQ(l.Count(), 3);
  EXPECT_THROW(l.Strings(3), EListError);
  EXPECT_THROW(l.Delete(-1), EListError);
}
