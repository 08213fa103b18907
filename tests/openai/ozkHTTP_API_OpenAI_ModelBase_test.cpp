#include "openai/ozkHTTP_API_OpenAI_ModelBase.h"

#include <gtest/gtest.h>

#include <functional>

#include "base/ozkException.h"
#include "ozkHTTP_API_OpenAI_TestUtil.h"

namespace {

std::u16string ConvertError(const std::function<void()>& aCall) {
  try {
    aCall();
  } catch (const EConvertError& e) {
    return e.Message();
  }
  return u"<no error>";
}

// Every object and list member of aDoc, depth first.
void CollectContainers(TozkJSON& aDoc, std::vector<TozkObjectJSON*>& aOut) {
  for (const auto& lMember : aDoc.Members()) {
    if (lMember->JSONType() != ozkJSONObject && lMember->JSONType() != ozkJSONList) continue;
    aOut.push_back(lMember.get());
    if (lMember->NestedJSON()) CollectContainers(*lMember->NestedJSON(), aOut);
  }
}

// Compares the copied document of aMember with the document the text round trip gives; returns
// whether the copy was taken.
bool ExpectSameAsTextRoute(TozkObjectJSON& aMember) {
  TozkJSON lExpected;
  lExpected.Read(aMember.Value().AsString());
  bool lCopied = false;
  std::unique_ptr<TozkJSON> lActual = OpenAIMemberDocument(aMember, &lCopied);
  EXPECT_EQ(ozktest::TreeDifference(*lActual, lExpected, UTF16ToUTF8(aMember.Name())), "");
  EXPECT_EQ(lActual->Text(), lExpected.Text());
  return lCopied;
}

} // namespace

TEST(OpenAIReaders, IntegerConversion) {
  EXPECT_EQ(OpenAITextToInteger(u""), 0);
  EXPECT_EQ(OpenAITextToInteger(u"null"), 0);
  EXPECT_EQ(OpenAITextToInteger(u"12"), 12);
  EXPECT_EQ(OpenAITextToInteger(u"  -7"), -7);
  EXPECT_EQ(OpenAITextToInteger(u"+3"), 3);
  EXPECT_EQ(OpenAITextToInteger(u"$FF"), 255);
  EXPECT_EQ(OpenAITextToInteger(u"0x1f"), 31);
  EXPECT_EQ(OpenAITextToInteger(u"-$10"), -16);
  EXPECT_EQ(OpenAITextToInteger(u"1.5"), 1); // leading digits of a non-integer
  EXPECT_EQ(OpenAITextToInteger(u"12abc"), 12);
  EXPECT_EQ(OpenAITextToInteger(u"1e5"), 1);
  EXPECT_EQ(OpenAITextToInteger(u"abc"), 0);
  EXPECT_EQ(OpenAITextToInteger(u"-"), 0);
  EXPECT_EQ(OpenAITextToInteger(u"2147483647"), 2147483647);
  EXPECT_EQ(OpenAITextToInteger(u"-2147483648"), INT32_MIN);
  // Beyond the 32-bit range: 0, never a wrapped value.
  EXPECT_EQ(OpenAITextToInteger(u"2147483648"), 0);
  EXPECT_EQ(OpenAITextToInteger(u"-2147483649"), 0);
  EXPECT_EQ(OpenAITextToInteger(u"99999999999999999999999"), 0);
  EXPECT_EQ(OpenAITextToInteger(u"$80000000"), 0);
}

TEST(OpenAIReaders, DoubleConversion) {
  EXPECT_EQ(OpenAITextToDouble(u""), 0);
  EXPECT_EQ(OpenAITextToDouble(u"null"), 0);
  EXPECT_EQ(OpenAITextToDouble(u"0.5"), 0.5);
  EXPECT_EQ(OpenAITextToDouble(u"1e-5"), 0.00001);
  EXPECT_EQ(OpenAITextToDouble(u"-2.5E3"), -2500);
  EXPECT_EQ(OpenAITextToDouble(u"+7"), 7);
  EXPECT_EQ(OpenAITextToDouble(u" 3.25 "), 3.25);
  EXPECT_EQ(OpenAITextToDouble(u".5"), 0.5);
  EXPECT_EQ(OpenAITextToDouble(u"1."), 1);
  EXPECT_EQ(OpenAITextToDouble(u"1e-400"), 0); // underflow is a tiny number
  EXPECT_EQ(ConvertError([] { OpenAITextToDouble(u"abc"); }),
            u"'abc' is not a valid floating point value");
  EXPECT_EQ(ConvertError([] { OpenAITextToDouble(u"0,5"); }),
            u"'0,5' is not a valid floating point value");
  EXPECT_EQ(ConvertError([] { OpenAITextToDouble(u"1e"); }),
            u"'1e' is not a valid floating point value");
  EXPECT_EQ(ConvertError([] { OpenAITextToDouble(u"1e400"); }),
            u"'1e400' is not a valid floating point value");
  EXPECT_EQ(ConvertError([] { OpenAITextToDouble(u"."); }),
            u"'.' is not a valid floating point value");
}

TEST(OpenAIReaders, BooleanConversion) {
  EXPECT_FALSE(OpenAITextToBoolean(u""));
  EXPECT_FALSE(OpenAITextToBoolean(u"null"));
  EXPECT_TRUE(OpenAITextToBoolean(u"true"));
  EXPECT_TRUE(OpenAITextToBoolean(u"TRUE"));
  EXPECT_FALSE(OpenAITextToBoolean(u"False"));
  EXPECT_EQ(ConvertError([] { OpenAITextToBoolean(u"yes"); }),
            u"'yes' is not a valid boolean value");
  EXPECT_EQ(ConvertError([] { OpenAITextToBoolean(u"1"); }), u"'1' is not a valid boolean value");
}

TEST(OpenAIReaders, MembersOfEveryKind) {
  TozkOpenAIClass lObject(uR"({"s":"a\nb \u00e9","n":null,"i":42,"q":"12","f":1.5,)"
                          uR"("b":true,"o":{"k":"v","z":null},"l":[1,"x"],"bad":"a\qb"})");
  EXPECT_EQ(lObject.ReadString(u"s"), u"a\nb \u00e9"); // decoded
  EXPECT_EQ(lObject.ReadString(u"n"), u"null");
  EXPECT_EQ(lObject.ReadString(u"i"), u"42");
  EXPECT_EQ(lObject.ReadString(u"b"), u"true");
  EXPECT_EQ(lObject.ReadString(u"o"), u"{\"k\":\"v\",\"z\":null}");
  EXPECT_EQ(lObject.ReadString(u"l"), u"[1,\"x\"]");
  EXPECT_EQ(lObject.ReadString(u"absent"), u"");
  EXPECT_EQ(lObject.ReadInteger(u"i"), 42);
  EXPECT_EQ(lObject.ReadInteger(u"q"), 12);
  EXPECT_EQ(lObject.ReadInteger(u"f"), 1);
  EXPECT_EQ(lObject.ReadInteger(u"n"), 0);
  EXPECT_EQ(lObject.ReadDouble(u"f"), 1.5);
  EXPECT_EQ(lObject.ReadDouble(u"n"), 0);
  EXPECT_EQ(lObject.ReadDouble(u"absent"), 0);
  EXPECT_TRUE(lObject.ReadBoolean(u"b"));
  EXPECT_FALSE(lObject.ReadBoolean(u"n"));
  EXPECT_THROW(lObject.ReadBoolean(u"s"), EConvertError);
  EXPECT_THROW(lObject.ReadDouble(u"s"), EConvertError);
  EXPECT_THROW(lObject.ReadString(u"bad"), EozkJSONError);

  // Looking up inside a member: the member's nested document.
  TozkJSON* lDoc = lObject.GetJSON();
  EXPECT_EQ(lObject.ReadString(u"k", lDoc->GetNode(u"o")), u"v");
  EXPECT_EQ(lObject.ReadString(u"i", lDoc->GetNode(u"o")), u""); // not the top-level "i"
  // Looking inside a scalar finds nothing and leaves the document as it was.
  std::u16string lBefore = lDoc->Text();
  EXPECT_EQ(lObject.ReadString(u"reason", lDoc->GetNode(u"n")), u"");
  EXPECT_EQ(lDoc->GetNode(u"n")->JSONType(), ozkJSONNull);
  EXPECT_EQ(lDoc->Text(), lBefore);
}

TEST(OpenAIReaders, MetaDataRoundTrip) {
  TozkOpenAIClass lObject(uR"({"metadata":{"user":"u\"1","tier":"gold","n":5,"o":{"x":1}}})");
  TStringList lList;
  lObject.ReadMetaData(u"metadata", &lList);
  ASSERT_EQ(lList.Count(), 4);
  EXPECT_EQ(lList[0], u"user=u\\\"1"); // as it stands in the text, so it writes back the same
  EXPECT_EQ(lList[1], u"tier=gold");
  EXPECT_EQ(lList[2], u"n=5");
  EXPECT_EQ(lList[3], u"o={\"x\":1}");

  TStringList lNone;
  TozkOpenAIClass(uR"({"metadata":null})").ReadMetaData(u"metadata", &lNone);
  TozkOpenAIClass(uR"({"metadata":{}})").ReadMetaData(u"metadata", &lNone);
  EXPECT_EQ(lNone.Count(), 0);
}

TEST(OpenAIBase, CreateReadAndAsString) {
  TozkOpenAIClass lEmpty(u"");
  EXPECT_EQ(lEmpty.AsString(), u"{}");

  // A response object writes its fields over the whole response document, unknown members
  // included; two calls give the same text.
  TozkOpenAIClass_Last_Error lError(
      uR"({"code":"rate_limit_exceeded","message":"Slow down","x":[1]})");
  EXPECT_EQ(lError.Code(), u"rate_limit_exceeded");
  EXPECT_EQ(lError._Message(), u"Slow down");
  lError.SetCode(u"server_error");
  EXPECT_EQ(lError.AsString(), uR"({"code":"server_error","message":"Slow down","x":[1]})");
  EXPECT_EQ(lError.AsString(), lError.AsString());

  TozkOpenAIClass_Last_Error lFresh;
  EXPECT_EQ(lFresh.AsString(), u"{}");
  lFresh.Set_Message(u"m");
  EXPECT_EQ(lFresh.AsString(), uR"({"message":"m"})");

  TozkOpenAIClass_Usage lUsage(
      uR"({"prompt_tokens":"9","completion_tokens":12,"total_tokens":21})");
  EXPECT_EQ(lUsage.CompletionTokens(), 12);
  EXPECT_EQ(lUsage.PromptTokens(), 9);
  EXPECT_EQ(lUsage.TotalTokens(), 21);
  TozkOpenAIClass_Usage lNull(u"null"); // null parses to an empty document
  EXPECT_EQ(lNull.TotalTokens(), 0);

  // A read error leaves the fields read before it, and a failing constructor frees its object.
  EXPECT_THROW(lError.Read(uR"({"code":"c2","message":"bad \q"})"), EozkJSONError);
  EXPECT_EQ(lError.Code(), u"c2");
  EXPECT_THROW(TozkOpenAIClass_Last_Error(uR"({"code":"\x"})"), EozkJSONError);
}

TEST(OpenAIMemberDocument, CopyMatchesTextRoundTripOnParsedDocuments) {
  const std::u16string lTexts[] = {
      // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): one document written over three lines
      uR"({"a":{"x":1,"x":2,"s":"{not json","t":"[x]","e":"q\"uo\\te\u00e9","n":null,"T":TRUE,)"
      uR"("F":False,"p":+5,"z":007,"d":-1.5e+3,"arr":[1,[2,[3,[]]],{"k":[]},null,"s"],)"
      uR"("":{"":1},"w":"C:\dir\file.txt"},"b":[{"q":null},null,"str",[],{}],"c":[]})",
      // Stops inside "c": the members read so far stay, partly filled containers included.
      uR"({"a":{"b":1,"c":{"d":[1,2,{"e":x}]}},"f":2})",
      u"{\"a\": { # comment\n \"b\" : [ 1 , 2 , ] , } , \"c\":{\"d\":{}}}",
      u"[{\"a\":1},[{\"b\":[true]}]]",
      // A \u escape that swallows the closing quote: the string runs on to the next quote.
      uR"({"a":{"e":"q\u1"},"b":1})",
  };
  for (const auto& lText : lTexts) {
    SCOPED_TRACE(UTF16ToUTF8(lText));
    TozkJSON lDoc;
    lDoc.Read(lText);
    std::vector<TozkObjectJSON*> lMembers;
    CollectContainers(lDoc, lMembers);
    ASSERT_FALSE(lMembers.empty());
    for (TozkObjectJSON* lMember : lMembers) EXPECT_TRUE(ExpectSameAsTextRoute(*lMember));
  }
}

TEST(OpenAIMemberDocument, FallsBackForTreesWhoseTextParsesDifferently) {
  TozkJSON lDoc;
  // A nameless list inside an object is written without a name: the text does not parse back.
  lDoc.Read(uR"({"a":{"":[1],"b":2}})");
  EXPECT_FALSE(ExpectSameAsTextRoute(*lDoc.GetNode(u"a")));

  // Documents built by hand, one shape each whose text would not parse back the same.
  lDoc.AddObject(u"raw", u"")->JSONObject()->AddPair(u"s", u"{embedded"); // written unquoted
  lDoc.AddObject(u"quote", u"")->JSONObject()->AddPair(u"s", u"\"q");     // written as it stands
  lDoc.AddObject(u"double", u"")->JSONObject()->AddPair(u"d", 0.5);       // not held as text
  lDoc.AddArray(u"named", u"")->JSONObject()->AddPair(u"0", u"x");        // the name is dropped
  lDoc.AddArray(u"null", u"")->JSONObject()->AddPair(u"");                // writes nothing
  for (const char16_t* lName : {u"raw", u"quote", u"double", u"named", u"null"}) {
    SCOPED_TRACE(UTF16ToUTF8(lName));
    EXPECT_FALSE(ExpectSameAsTextRoute(*lDoc.GetNode(lName)));
  }
  lDoc.AddObject(u"plain", u"")->JSONObject()->AddPair(u"b", true);
  EXPECT_TRUE(ExpectSameAsTextRoute(*lDoc.GetNode(u"plain")));

  // A scalar member goes through its text: a string holding JSON is parsed as JSON.
  lDoc.Read(uR"({"s":"[1,2]","n":5})");
  EXPECT_FALSE(ExpectSameAsTextRoute(*lDoc.GetNode(u"s")));
  EXPECT_EQ(OpenAIMemberDocument(*lDoc.GetNode(u"s"))->Count(), 2);
  EXPECT_EQ(OpenAIMemberDocument(*lDoc.GetNode(u"n"))->Count(), 0);
}
