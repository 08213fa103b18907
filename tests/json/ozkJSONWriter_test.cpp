#include "json/ozkJSON.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

TEST(JSONWriter, CompactTextInOrder) {
  TozkJSON doc;
  EXPECT_EQ(doc.Text(), u"{}");
  doc.SetIsArray(true);
  EXPECT_EQ(doc.Text(), u"[]");

  TozkJSON obj;
  obj.AddPair(u"a", u"x");
  obj.AddPair(u"n", 1);
  EXPECT_EQ(obj.Text(), u"{\"a\":\"x\",\"n\":1}");
  obj.AddPair(u"b", true);
  obj.AddPair(u"z");
  obj.AddPair(u"big", int64_t{9007199254740993});
  obj.AddPair(u"min", std::numeric_limits<int32_t>::min());
  EXPECT_EQ(obj.Text(), u"{\"a\":\"x\",\"n\":1,\"b\":true,\"z\":null,\"big\":9007199254740993,"
                        u"\"min\":-2147483648}");

  TozkJSON arr;
  arr.SetIsArray(true);
  arr.AddPair(u"", 1);
  arr.AddPair(u"x", 2); // names are not written in array mode
  EXPECT_EQ(arr.Text(), u"[1,2]");
}

TEST(JSONWriter, StringQuotingAndEmbeddedJSON) {
  TozkJSON doc;
  doc.AddPair(u"o", u"{\"k\":1}");
  doc.AddPair(u"l", u"[1,2]");
  doc.AddPair(u"q", u"\"already quoted\"");
  doc.AddPair(u"e", u"");
  doc.AddPair(u"raw", u"line\nbreak"); // written as stored: escaping is the caller's task
  EXPECT_EQ(doc.Text(), u"{\"o\":{\"k\":1},\"l\":[1,2],\"q\":\"already quoted\",\"e\":\"\","
                        u"\"raw\":\"line\nbreak\"}");

  // A member keeps its quoting when its value is replaced.
  doc.Clear();
  doc.AddPair(u"s", u"x");
  doc.AddPair(u"s", u"{y}");
  EXPECT_EQ(doc.Text(), u"{\"s\":\"{y}\"}");
  doc.AddPair(u"j", u"{}")->SetValue(TozkJSONValue(u"plain"));
  EXPECT_EQ(doc.Text(), u"{\"s\":\"{y}\",\"j\":plain}");

  // A number member written from text turns decimal commas into points.
  doc.Clear();
  doc.AddPair(u"n", 0)->SetValue(TozkJSONValue(u"1,5"));
  EXPECT_EQ(doc.Text(), u"{\"n\":1.5}");
}

TEST(JSONWriter, DoubleFormat) {
  struct Case {
    double Value;
    const char16_t* Text;
  };
  const Case cases[] = {
      {1.0, u"1"},
      {0.7, u"0.7"},
      {0.00001, u"0.00001"},
      {0.000001, u"1E-6"},
      {1e-7, u"1E-7"},
      {1.5e20, u"1.5E20"},
      {0.1 + 0.2, u"0.3"}, // rounded to 15 significant digits
      {123456789012345678.0, u"1.23456789012346E17"},
      {-2.5, u"-2.5"},
      {-1e-300, u"-1E-300"},
      {1.0 / 3.0, u"0.333333333333333"},
      {2.0 / 3.0, u"0.666666666666667"},
      {999999999999999.0, u"999999999999999"}, // 15 integer digits: fixed
      {1e14, u"100000000000000"},
      {1e15, u"1E15"}, // 16 integer digits: scientific
      {1e16, u"1E16"},
      {999999999999999.9, u"1E15"}, // rounding carries into a sixteenth digit
      {123456.789, u"123456.789"},
      {0.0, u"0"},
      {-0.0, u"0"},
      {0.000012345, u"0.000012345"},
      {1.7976931348623157e308, u"1.79769313486232E308"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(JSONFloatToStr(c.Value), c.Text) << c.Value;
    TozkJSON doc;
    doc.AddPair(u"d", c.Value);
    EXPECT_EQ(doc.Text(), u"{\"d\":" + std::u16string(c.Text) + u"}") << c.Value;
  }
  EXPECT_EQ(JSONFloatToStr(std::numeric_limits<double>::infinity()), u"INF");
  EXPECT_EQ(JSONFloatToStr(-std::numeric_limits<double>::infinity()), u"-INF");
  EXPECT_EQ(JSONFloatToStr(std::nan("")), u"NAN");
  // Infinities and NaN have no JSON form: the member is written as null.
  TozkJSON doc;
  doc.AddPair(u"inf", std::numeric_limits<double>::infinity());
  doc.AddPair(u"nan", std::nan(""));
  EXPECT_EQ(doc.Text(), u"{\"inf\":null,\"nan\":null}");
}

TEST(JSONWriter, NullMembersAndCommaRule) {
  TozkJSON arr;
  arr.SetIsArray(true);
  arr.AddPair(u"a", 1);
  arr.AddPair(u"b"); // a null added without value writes nothing in an array
  arr.AddPair(u"c", 2);
  EXPECT_EQ(arr.Text(), u"[1,2]");
  // Regression: leading or trailing empty elements must not leave a stray comma.
  arr.Clear();
  arr.AddPair(u"a");
  arr.AddPair(u"b", 1);
  arr.AddPair(u"c");
  EXPECT_EQ(arr.Text(), u"[1]");

  // A parsed null keeps its text in arrays.
  TozkJSON parsed;
  parsed.Read(u"[null,1]");
  EXPECT_EQ(parsed.Text(), u"[null,1]");

  // No comma is added after text that already ends with one.
  arr.Clear();
  arr.AddPair(u"0", u"[1,");
  arr.AddPair(u"1", 2);
  EXPECT_EQ(arr.Text(), u"[[1,2]");

  // A member of unknown kind writes nothing.
  TozkJSON obj;
  obj.AddPair(u"a", 1);
  obj.AddPair(u"b", 2);
  obj.SetItem(1, std::make_unique<TozkObjectJSON>());
  EXPECT_EQ(obj.Text(), u"{\"a\":1}");
}

TEST(JSONWriter, ListAndObjectMembers) {
  // Builders add list items under index names to a plain document: items are never named.
  TozkJSON doc;
  TozkObjectJSON* list = doc.AddArray(u"l", u"");
  EXPECT_FALSE(list->NestedJSON()->IsArray());
  list->JSONObject()->AddPair(u"0", u"a");
  list->JSONObject()->AddObject(u"1", u"{\"k\":2}");
  list->JSONObject()->AddArray(u"2", u"[3]");
  EXPECT_EQ(doc.Text(), u"{\"l\":[\"a\",{\"k\":2},[3]]}");

  // An empty name is still written in object mode, so the text stays valid JSON.
  doc.Read(u"{\"\":[1],\"\":{}}");
  EXPECT_EQ(doc.Text(), u"{\"\":[1],\"\":{}}");

  // Object and list members without a nested document.
  TozkJSON bare;
  bare.AddPair(u"o", u"x")->SetJSONType(ozkJSONObject);
  bare.AddPair(u"l", u"x")->SetJSONType(ozkJSONList);
  EXPECT_EQ(bare.Text(), u"{\"o\":{},\"l\":[]}");

  // An object member whose nested document is an array writes it as one.
  TozkJSON holder;
  holder.AddObject(u"a", u"[1,2]");
  EXPECT_EQ(holder.Text(), u"{\"a\":[1,2]}");
}

TEST(JSONWriter, ReadWriteRoundTrip) {
  const std::u16string text =
      u"{\"object\":\"list\",\"data\":[{\"id\":\"msg_1\",\"created_at\":1712345678,\"content\":"
      u"[{\"type\":\"text\",\"text\":{\"value\":\"Caf\\u00e9 \\\"ok\\\"\\n\",\"annotations\":[]}}],"
      u"\"metadata\":{},\"score\":-1.5e-3,\"done\":false,\"run_id\":null}],\"first_id\":\"msg_1\","
      u"\"has_more\":false}";
  TozkJSON doc;
  doc.Read(text);
  EXPECT_EQ(doc.Text(), text);
  TozkJSON again;
  again.Read(doc.Text());
  EXPECT_EQ(again.Text(), text);
}
