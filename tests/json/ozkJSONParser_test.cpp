#include "json/ozkJSON.h"

#include <gtest/gtest.h>

namespace {

std::u16string Stored(const TozkObjectJSON* aMember) {
  return aMember ? aMember->StoredValue().AsString() : u"<none>";
}

} // namespace

TEST(JSONParser, TopLevelChoiceAndTrailingText) {
  TozkJSON doc;
  doc.Read(u"");
  EXPECT_EQ(doc.Count(), 0);
  EXPECT_FALSE(doc.IsArray());
  EXPECT_EQ(doc.Text(), u"{}");

  // Only a "[" at the very first character makes an array.
  doc.Read(u" [1,2]");
  EXPECT_FALSE(doc.IsArray());
  EXPECT_EQ(doc.Count(), 0);

  doc.Read(u"[1,2]");
  ASSERT_TRUE(doc.IsArray());
  ASSERT_EQ(doc.Count(), 2);
  EXPECT_EQ(doc.GetItem(0)->Name(), u"");
  EXPECT_EQ(doc.GetItem(0)->JSONType(), ozkJSONNumber);
  EXPECT_EQ(Stored(doc.GetItem(1)), u"2");

  doc.Read(u"42");
  EXPECT_EQ(doc.Count(), 0);
  EXPECT_EQ(doc.Text(), u"{}");

  // An object may be preceded by whitespace and comments; text after it is ignored.
  doc.Read(u"  # leading comment\n\t{\"a\":1} {\"b\":2} garbage");
  EXPECT_EQ(doc.Text(), u"{\"a\":1}");

  // Read replaces everything, the array flag included.
  doc.Read(u"[true]");
  doc.Read(u"{\"x\":null}");
  EXPECT_FALSE(doc.IsArray());
  EXPECT_EQ(doc.Text(), u"{\"x\":null}");
}

TEST(JSONParser, ToleratesCommasCommentsAndDuplicates) {
  TozkJSON doc;
  doc.Read(u"{\"a\":1,\"a\":2}");
  ASSERT_EQ(doc.Count(), 2);
  EXPECT_EQ(Stored(doc.GetNode(u"a")), u"1");
  EXPECT_EQ(Stored(doc.GetItem(1)), u"2");

  doc.Read(u"{\"a\":1 \"b\":2\n\"c\":3,}");
  EXPECT_EQ(doc.Text(), u"{\"a\":1,\"b\":2,\"c\":3}");

  doc.Read(u"{\"a\":1,\n# a comment line, with \"quotes\" and {braces}\n\"b\":2}");
  EXPECT_EQ(doc.Text(), u"{\"a\":1,\"b\":2}");

  // A comment may stand wherever whitespace may: before a colon, after a value, in arrays.
  doc.Read(u"{\"a\" #c\n : #c\n [1 #c\n 2,] # c\n,\"b\":3}");
  EXPECT_EQ(doc.Text(), u"{\"a\":[1,2],\"b\":3}");

  // A comment without a line end runs to the end of the text, which ends the object early.
  doc.Read(u"{\"a\":1 # unterminated");
  EXPECT_EQ(doc.Text(), u"{\"a\":1}");

  doc.Read(u"[1 2\t3\r\n\f4]");
  EXPECT_EQ(doc.Text(), u"[1,2,3,4]");
  doc.Read(u"[1,,2]"); // an empty element is a fault
  EXPECT_EQ(doc.Text(), u"[1]");
  doc.Read(u"{,\"a\":1}");
  EXPECT_EQ(doc.Count(), 0);
}

TEST(JSONParser, LiteralsInAnyCase) {
  TozkJSON doc;
  doc.Read(u"{\"t\":TRUE,\"f\":fAlSe,\"n\":Null}");
  ASSERT_EQ(doc.Count(), 3);
  EXPECT_EQ(doc.GetNode(u"t")->JSONType(), ozkJSONBoolean);
  EXPECT_EQ(Stored(doc.GetNode(u"t")), u"true");
  EXPECT_EQ(Stored(doc.GetNode(u"f")), u"false");
  EXPECT_EQ(doc.GetNode(u"n")->JSONType(), ozkJSONNull);
  EXPECT_EQ(Stored(doc.GetNode(u"n")), u"null");
  EXPECT_EQ(doc.Text(), u"{\"t\":true,\"f\":false,\"n\":null}");

  doc.Read(u"[true,tru]"); // misspelt literal stops the parse
  EXPECT_EQ(doc.Text(), u"[true]");
  doc.Read(u"[nul");
  EXPECT_EQ(doc.Count(), 0);
  doc.Read(u"[truex,1]"); // the literal is taken; the x after it is the fault
  EXPECT_EQ(doc.Text(), u"[true]");
  doc.Read(u"[yes]");
  EXPECT_EQ(doc.Count(), 0);
}

TEST(JSONParser, NumbersStoredAsWritten) {
  TozkJSON doc;
  doc.Read(u"[+5,007,-0.5e+10,1E5,12.25,-3]");
  EXPECT_EQ(doc.Text(), u"[+5,007,-0.5e+10,1E5,12.25,-3]");
  EXPECT_EQ(doc.GetItem(1)->JSONType(), ozkJSONNumber);
  EXPECT_EQ(Stored(doc.GetItem(1)), u"007");

  for (const char16_t* bad : {u".5", u"1.", u"1e", u"1e+", u"-", u"+", u"1.e5"}) {
    doc.Read(std::u16string(u"{\"a\":1,\"b\":") + bad + u",\"c\":2}");
    EXPECT_EQ(doc.Text(), u"{\"a\":1}");
  }
  doc.Read(u"[1.5.3]"); // the second "." begins a value of its own, which fails
  EXPECT_EQ(doc.Text(), u"[1.5]");
}

TEST(JSONParser, StringsKeepTheirEscapes) {
  TozkJSON doc;
  doc.Read(u"{\"a\\\"b\":\"x\\ny\",\"p\":\"C:\\dir\\file.txt\",\"u\":\"\\u00e9\\uZZZZ\"}");
  ASSERT_EQ(doc.Count(), 3);
  EXPECT_EQ(doc.GetItem(0)->Name(), u"a\\\"b");
  EXPECT_EQ(Stored(doc.GetItem(0)), u"x\\ny");
  EXPECT_EQ(JSONUnescape(Stored(doc.GetItem(0))), u"x\ny");
  EXPECT_EQ(Stored(doc.GetNode(u"p")), u"C:\\dir\\file.txt");
  EXPECT_EQ(Stored(doc.GetNode(u"u")), u"\\u00e9\\uZZZZ"); // hex digits are not checked
  EXPECT_EQ(doc.Text(),
            u"{\"a\\\"b\":\"x\\ny\",\"p\":\"C:\\dir\\file.txt\",\"u\":\"\\u00e9\\uZZZZ\"}");

  // An escaped backslash right before the closing quote ends the string there, whatever follows.
  for (const char16_t* after : {u",\"n\":1}", u"}", u"\n}", u" ,\"n\":1}"}) {
    doc.Read(std::u16string(u"{\"s\":\"x\\\\\"") + after);
    ASSERT_GE(doc.Count(), 1);
    EXPECT_EQ(Stored(doc.GetNode(u"s")), u"x\\\\");
  }
  doc.Read(u"[\"a\\\\\"]");
  EXPECT_EQ(doc.Text(), u"[\"a\\\\\"]");

  // The closing quote falls among the four characters after \u: the string never ends.
  doc.Read(u"{\"a\":1,\"b\":\"x\\u12\"}");
  EXPECT_EQ(doc.Text(), u"{\"a\":1}");
  doc.Read(u"{\"a\":1,\"b\":\"x\\u12\"}  \"}");
  EXPECT_EQ(Stored(doc.GetNode(u"b")), u"x\\u12\"}  ");

  doc.Read(u"[\"unterminated");
  EXPECT_EQ(doc.Count(), 0);
  doc.Read(u"[\"ends in backslash\\");
  EXPECT_EQ(doc.Count(), 0);

  // Characters beyond ASCII, surrogate pairs included, pass unchanged.
  doc.Read(u"{\"\u00e9\":\"\u4e2d\U0001F600\"}");
  EXPECT_EQ(Stored(doc.GetNode(u"\u00e9")), u"\u4e2d\U0001F600");
}

TEST(JSONParser, NestingAndPartialResults) {
  TozkJSON doc;
  doc.Read(u"{\"o\":{\"k\":[1,{\"z\":true}]},\"l\":[[],{}]}");
  ASSERT_EQ(doc.Count(), 2);
  TozkObjectJSON* o = doc.GetNode(u"o");
  EXPECT_EQ(o->JSONType(), ozkJSONObject);
  TozkObjectJSON* k = o->GetNode(u"k");
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->JSONType(), ozkJSONList);
  EXPECT_TRUE(k->NestedJSON()->IsArray());
  EXPECT_EQ(k->Count(), 2);
  EXPECT_EQ(k->GetItem(1)->Name(), u""); // array elements are unnamed
  EXPECT_EQ(k->GetItem(1)->JSONType(), ozkJSONObject);
  EXPECT_EQ(doc.Text(), u"{\"o\":{\"k\":[1,{\"z\":true}]},\"l\":[[],{}]}");

  // A nested object that breaks off keeps the members read before the fault; later members
  // of the outer object are lost.
  doc.Read(u"{\"a\":1,\"b\":{\"c\":2,\"d\":oops,\"e\":3},\"f\":4}");
  ASSERT_EQ(doc.Count(), 2);
  EXPECT_EQ(doc.GetNode(u"b")->Count(), 1);
  EXPECT_EQ(doc.Text(), u"{\"a\":1,\"b\":{\"c\":2}}");

  doc.Read(u"[1,[2,3,x],4]");
  EXPECT_EQ(doc.Text(), u"[1,[2,3]]");
  doc.Read(u"{\"a\":[1,2"); // text ending inside containers
  EXPECT_EQ(doc.Text(), u"{\"a\":[1,2]}");
  doc.Read(u"{\"a\" 1}"); // missing colon
  EXPECT_EQ(doc.Count(), 0);
  doc.Read(u"{a:1}"); // unquoted name
  EXPECT_EQ(doc.Count(), 0);
}

TEST(JSONParser, NestingDepthIsBounded) {
  const int max = TozkJSON::MaxDepth;
  auto nested = [](int aDepth) {
    return std::u16string(static_cast<size_t>(aDepth), u'[') +
           std::u16string(static_cast<size_t>(aDepth), u']');
  };
  TozkJSON doc;
  doc.Read(nested(max));
  EXPECT_EQ(doc.Text(), nested(max));

  // One level more stops the parse where the limit is hit; what was read stays.
  doc.Read(nested(max + 1));
  EXPECT_EQ(doc.Text(), nested(max));

  // Regression: hostile nesting must neither overflow the stack nor lose the outer members.
  doc.Read(std::u16string(200000, u'['));
  EXPECT_EQ(doc.Text(), nested(max));

  std::u16string objects = u"{\"first\":0,";
  for (int i = 0; i < 200000; ++i) objects += u"\"a\":{";
  doc.Read(objects);
  ASSERT_EQ(doc.Count(), 2);
  EXPECT_EQ(Stored(doc.GetNode(u"first")), u"0");
  int depth = 1;
  for (TozkObjectJSON* m = doc.GetNode(u"a"); m; m = m->NestedJSON()->GetNode(u"a")) ++depth;
  EXPECT_EQ(depth, max);
}
