#include "json/ozkJSON.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "base/ozkStringList.h"
#include "base/ozkText.h"

namespace {

std::u16string UnescapeError(std::u16string_view aText) {
  try {
    JSONUnescape(aText);
  } catch (const EozkJSONError& e) {
    return e.Message();
  }
  return u"<no error>";
}

} // namespace

TEST(JSONModel, AddReplacesExistingNames) {
  TozkJSON doc;
  TozkObjectJSON* a = doc.AddPair(u"a", 1);
  EXPECT_EQ(doc.AddPair(u"a", u"x"), a); // replaced, not appended; the kind stays
  EXPECT_EQ(doc.Count(), 1);
  EXPECT_EQ(a->JSONType(), ozkJSONNumber);
  EXPECT_EQ(a->StoredValue().AsString(), u"x");

  TozkObjectJSON* o = doc.AddObject(u"o", u"{\"k\":1}");
  EXPECT_EQ(doc.AddObject(u"o", u"{\"other\":2}"), o);
  EXPECT_EQ(doc.AddArray(u"o", u"[5]"), o);
  EXPECT_EQ(doc.Count(), 2);
  EXPECT_EQ(o->Value().AsString(), u"{\"k\":1}"); // nothing visible changed

  EXPECT_EQ(doc.AddPair(u"A", 2)->Name(), u"A"); // lookup is case-sensitive
  EXPECT_EQ(doc.Count(), 3);
  doc.AddPair(u"a"); // a null on an existing name only empties the stored value
  EXPECT_EQ(a->JSONType(), ozkJSONNumber);
  EXPECT_TRUE(a->StoredValue().IsText());
  EXPECT_EQ(a->StoredValue().Text(), u"");
}

TEST(JSONModel, LookupAndReplaceByNameOrIndex) {
  TozkJSON doc;
  doc.Read(u"{\"a\":1,\"b\":2}");
  EXPECT_EQ(doc.GetNode(u"c"), nullptr);
  EXPECT_EQ(doc.GetItem(2), nullptr);
  EXPECT_EQ(doc.GetItem(-1), nullptr);

  auto replacement = std::make_unique<TozkObjectJSON>();
  replacement->SetName(u"z");
  replacement->SetJSONType(ozkJSONBoolean);
  replacement->SetValue(TozkJSONValue(u"true"));
  doc.SetNode(u"a", std::move(replacement));
  EXPECT_EQ(doc.Text(), u"{\"z\":true,\"b\":2}");
  doc.SetNode(u"missing", std::make_unique<TozkObjectJSON>()); // no target: nothing happens
  doc.SetItem(5, std::make_unique<TozkObjectJSON>());
  EXPECT_EQ(doc.Count(), 2);

  auto item = std::make_unique<TozkObjectJSON>();
  item->SetName(u"n");
  item->SetJSONType(ozkJSONNumber);
  item->SetValue(TozkJSONValue(int64_t{7}));
  doc.SetItem(1, std::move(item));
  EXPECT_EQ(doc.Text(), u"{\"z\":true,\"n\":7}");
}

TEST(JSONModel, MemberValueAndNestedDocument) {
  TozkJSON doc;
  doc.Read(u"{\"o\":{\"k\":[1,2]},\"s\":\"v\",\"n\":3}");
  TozkObjectJSON* o = doc.GetNode(u"o");
  EXPECT_EQ(o->Value().AsString(), u"{\"k\":[1,2]}");
  EXPECT_EQ(o->Count(), 1);
  EXPECT_EQ(o->GetNode(u"k")->Count(), 2);
  EXPECT_EQ(o->GetItem(0)->GetItem(1)->StoredValue().AsString(), u"2");

  // A list member's Value marks its document as an array.
  TozkJSON built;
  TozkObjectJSON* list = built.AddArray(u"l", u"");
  list->JSONObject()->AddPair(u"0", 1);
  EXPECT_FALSE(list->NestedJSON()->IsArray());
  EXPECT_EQ(list->Value().AsString(), u"[1]");
  EXPECT_TRUE(list->NestedJSON()->IsArray());

  // Value write replaces the stored value only.
  TozkObjectJSON* s = doc.GetNode(u"s");
  s->SetValue(TozkJSONValue(u"w"));
  EXPECT_EQ(s->Value().AsString(), u"w");
  EXPECT_EQ(s->JSONType(), ozkJSONString);

  // Count creates nothing; JSONObject creates on first access and makes a scalar an object.
  TozkObjectJSON* n = doc.GetNode(u"n");
  EXPECT_EQ(n->Count(), 0);
  EXPECT_EQ(n->NestedJSON(), nullptr);
  n->JSONObject()->AddPair(u"x", 1);
  EXPECT_EQ(n->JSONType(), ozkJSONObject);
  EXPECT_EQ(doc.Text(), u"{\"o\":{\"k\":[1,2]},\"s\":\"w\",\"n\":{\"x\":1}}");
  n->Clear();
  EXPECT_EQ(n->NestedJSON(), nullptr);
  EXPECT_EQ(doc.Text(), u"{\"o\":{\"k\":[1,2]},\"s\":\"w\",\"n\":{}}");

  TozkObjectJSON plainList;
  plainList.SetJSONType(ozkJSONList);
  plainList.JSONObject();
  EXPECT_EQ(plainList.JSONType(), ozkJSONList); // a list stays a list

  EXPECT_EQ(TozkJSONValue().AsString(), u"");
  EXPECT_EQ(TozkJSONValue(int32_t{-4}).AsString(), u"-4");
  EXPECT_EQ(TozkJSONValue(0.25).AsString(), u"0.25");
  EXPECT_EQ(TozkJSONValue(false).AsString(), u"false");
  EXPECT_EQ(TozkJSONValue(3.0).Text(), u""); // not text: no conversion
}

TEST(JSONModel, AssignCopiesDeeply) {
  TozkJSON source;
  source.Read(u"[{\"a\":[1,{\"b\":\"x\"}]},null,\"s\"]");
  source.SetEscapeStrings(true);
  TozkJSON copy;
  copy.AddPair(u"old", 1);
  copy.Assign(source);
  EXPECT_TRUE(copy.IsArray());
  EXPECT_TRUE(copy.EscapeStrings());
  EXPECT_EQ(copy.Text(), source.Text());

  // Changing the copy leaves the source alone.
  copy.GetItem(0)->GetNode(u"a")->GetItem(1)->GetNode(u"b")->SetValue(TozkJSONValue(u"y"));
  EXPECT_EQ(source.Text(), u"[{\"a\":[1,{\"b\":\"x\"}]},null,\"s\"]");
  EXPECT_EQ(copy.Text(), u"[{\"a\":[1,{\"b\":\"y\"}]},null,\"s\"]");

  // Assigning a document from its own nested document.
  TozkJSON* inner = copy.GetItem(0)->JSONObject();
  copy.Assign(*inner);
  EXPECT_EQ(copy.Text(), u"{\"a\":[1,{\"b\":\"y\"}]}");
  copy.Assign(copy);
  EXPECT_EQ(copy.Text(), u"{\"a\":[1,{\"b\":\"y\"}]}");

  TStringList other;
  EXPECT_THROW(copy.Assign(other), EConvertError);
}

TEST(JSONModel, ParsedTextOutlivesItsSource) {
  // Parsed names and values stand in the document's copy of the text until asked for;
  // copies must own their text, and reading a document from its own text must work.
  TozkJSONValue kept;
  std::u16string name;
  {
    auto doc = std::make_unique<TozkJSON>();
    std::u16string text = u"{\"long_member_name\":\"a value longer than any small string\"}";
    doc->Read(text);
    text.assign(text.size(), u'x'); // the caller's text is not referenced
    kept = doc->GetItem(0)->StoredValue();
    name = doc->GetItem(0)->Name();
    EXPECT_EQ(doc->GetNode(u"long_member_name")->StoredValue().TextView(),
              u"a value longer than any small string");
  }
  EXPECT_EQ(kept.Text(), u"a value longer than any small string");
  EXPECT_EQ(name, u"long_member_name");

  TozkJSON doc;
  doc.Read(u"{\"inner\":\"{\\\"k\\\":1}\",\"json\":{\"k\":[1,2]}}");
  doc.Read(doc.GetNode(u"json")->Value().AsString());
  EXPECT_EQ(doc.Text(), u"{\"k\":[1,2]}");
  doc.Read(u"{\"s\":\"[3,4]\",\"pad\":\"................\"}");
  doc.Read(doc.GetNode(u"s")->StoredValue().TextView()); // a view into the document itself
  EXPECT_EQ(doc.Text(), u"[3,4]");
  doc.Read(std::u16string(u"[\"adopted\"]"));
  EXPECT_EQ(doc.GetItem(0)->StoredValue().Data().index(), 1u);
  EXPECT_EQ(std::get<std::u16string>(doc.GetItem(0)->StoredValue().Data()), u"adopted");

  // Renaming a parsed member and looking it up again.
  doc.Read(u"{\"a\":1,\"b\":2}");
  doc.GetNode(u"a")->SetName(u"c");
  EXPECT_EQ(doc.GetNode(u"a"), nullptr);
  EXPECT_EQ(doc.GetNode(u"c")->Name(), u"c");
  EXPECT_EQ(doc.Text(), u"{\"c\":1,\"b\":2}");
}

TEST(JSONModel, MembersCrossThreads) {
  // Members come from per-thread blocks: documents built on one thread and freed on another
  // (also after the building thread has ended) must free everything exactly once.
  std::vector<std::unique_ptr<TozkJSON>> built(4);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < built.size(); ++t)
    threads.emplace_back([&built, t] {
      built[t] = std::make_unique<TozkJSON>();
      std::u16string text = u"[";
      for (int i = 0; i < 1000; ++i) text += u"{\"i\":" + IntToStr(i) + u"},";
      built[t]->Read(text + u"]");
      TozkJSON scratch; // freed on this thread, interleaved with the kept members
      scratch.Read(text);
    });
  for (auto& thread : threads) thread.join();
  std::u16string expected = built[0]->Text();
  for (auto& doc : built) {
    EXPECT_EQ(doc->Count(), 1000);
    EXPECT_EQ(doc->Text(), expected);
  }
  std::thread freer([&built] { built[0].reset(); });
  freer.join();
  built.clear();
  TozkJSON again; // the main thread keeps allocating after foreign frees
  again.Read(expected);
  EXPECT_EQ(again.Text(), expected);
}

TEST(JSONModel, VeryDeepBuiltDocumentsAreSafe) {
  // Regression: freeing, copying or writing a document nested far deeper than any parse
  // allows must not recurse once per level.
  const int depth = 200000;
  auto doc = std::make_unique<TozkJSON>();
  TozkJSON* level = doc.get();
  for (int i = 0; i < depth; ++i) level = level->AddObject(u"a", u"")->JSONObject();
  level->AddPair(u"leaf", true);
  std::u16string text = doc->Text();
  EXPECT_EQ(text.size(), static_cast<size_t>(depth) * 6 + 13);
  TozkJSON copy;
  copy.Assign(*doc);
  EXPECT_EQ(copy.Text(), text);
  doc.reset();
  copy.Clear();
  EXPECT_EQ(copy.Text(), u"{}");
}

TEST(JSONEscaping, EscapeStringsOnAdd) {
  TozkJSON doc;
  doc.SetEscapeStrings(true);
  doc.AddPair(u"k\"", u"\"/\n\u00e9");
  EXPECT_EQ(doc.GetItem(0)->Name(), u"k\\\"");
  EXPECT_EQ(doc.GetItem(0)->StoredValue().Text(), u"\\\"\\/\\n\\u00E9");
  // The same unescaped name finds the escaped member again.
  doc.AddPair(u"k\"", u"\t");
  EXPECT_EQ(doc.Count(), 1);
  EXPECT_EQ(doc.Text(), u"{\"k\\\"\":\"\\t\"}");

  EXPECT_EQ(JSONEscape(u"\b\t\n\f\r\\ az~\x7f"), u"\\b\\t\\n\\f\\r\\\\ az~\x7f");
  EXPECT_EQ(JSONEscape(std::u16string(u"\x00\x07\x0b\x0e\x1f", 5)),
            u"\\u0000\\u0007\\u000B\\u000E\\u001F");
  EXPECT_EQ(JSONEscape(u"\x80\u00ff\uabcd\U0001F600"), u"\\u0080\\u00FF\\uABCD\\uD83D\\uDE00");
}

TEST(JSONEscaping, UnescapeDecodesEveryEscape) {
  EXPECT_EQ(JSONUnescape(u"plain"), u"plain");
  EXPECT_EQ(JSONUnescape(u"\\\\\\\"\\/\\b\\f\\n\\N\\r\\R\\t\\T"), u"\\\"/\b\f\n\n\r\r\t\t");
  EXPECT_EQ(JSONUnescape(u"caf\\u00e9\\u00E9 \\uD83D\\uDE00!"), u"caf\u00e9\u00e9 \U0001F600!");
  // Round trip through the escaper, every code unit class included.
  std::u16string all;
  for (char32_t c = 0; c < 0x300; ++c) all.push_back(static_cast<char16_t>(c));
  all += u"\U0001F600\uffff";
  EXPECT_EQ(JSONUnescape(JSONEscape(all)), all);

  EXPECT_EQ(UnescapeError(u"a\\q"), u"Invalid code at position 2");
  EXPECT_EQ(UnescapeError(u"abc\\"), u"Unexpected end of string");
  EXPECT_EQ(UnescapeError(u"ab\\u12"), u"Invalid code at position 3");
  EXPECT_EQ(UnescapeError(u"\\uZZZZ"), u"Invalid code at position 1");
  EXPECT_EQ(UnescapeError(u"\\u12G4"), u"Invalid code at position 1");
  EXPECT_EQ(UnescapeError(u"ok\\nthen\\B"), u"Invalid code at position 9");
  EXPECT_EQ(UnescapeError(u"\\U0041"), u"Invalid code at position 1");
  EXPECT_EQ(UnescapeError(u"\u00e9\U0001F600\\x"), u"Invalid code at position 4");
}

// Runs between escapes are copied in blocks: escapes and faults at every offset of a block must
// decode, and report positions, as anywhere else.
// The expected texts are spelled as concatenations: clearer than appends in a test.
// NOLINTBEGIN(performance-inefficient-string-concatenation)
TEST(JSONEscaping, UnescapeAtEveryBlockOffset) {
  for (size_t offset = 0; offset < 20; ++offset) {
    const std::u16string pad(offset, u'a');
    EXPECT_EQ(JSONUnescape(pad + u"\\n" + pad + u"\\u00e9\\\\" + pad + u"\\\"" + pad),
              pad + u"\n" + pad + u"\u00e9\\" + pad + u"\"" + pad);
    EXPECT_EQ(UnescapeError(pad + u"\\q" + pad),
              u"Invalid code at position " + IntToStr(static_cast<int64_t>(offset + 1)));
    EXPECT_EQ(UnescapeError(pad + u"\\"), u"Unexpected end of string");
    EXPECT_EQ(UnescapeError(pad + u"\\u00e"),
              u"Invalid code at position " + IntToStr(static_cast<int64_t>(offset + 1)));
  }
}
// NOLINTEND(performance-inefficient-string-concatenation)

namespace {

int gDerivedDestroyed = 0;

// Bigger than TozkJSON, so it must not come from the documents' blocks.
class TDerivedJSON : public TozkJSON {
 public:
  using TozkJSON::TozkJSON;
  ~TDerivedJSON() override { ++gDerivedDestroyed; }
  int64_t FExtra[4] = {1, 2, 3, 4};
};

} // namespace

TEST(JSONModel, DocumentsOfEveryOrigin) {
  // Documents come from per-thread blocks unless their class is derived; each kind must be
  // freed where it came from, whether through the base, by an owner or by a member.
  gDerivedDestroyed = 0;
  std::unique_ptr<TComponent> derived(new TDerivedJSON);
  static_cast<TozkJSON*>(derived.get())->Read(u"{\"a\":[1,{\"b\":2}]}");
  derived.reset();
  EXPECT_EQ(gDerivedDestroyed, 1);
  {
    TComponent owner;
    auto* owned = new TozkJSON(&owner);
    owned->Read(u"{\"a\":[1,{\"b\":2}]}");
    auto* ownedDerived = new TDerivedJSON(&owner);
    EXPECT_EQ(owner.ComponentCount(), 2);
    EXPECT_EQ(ownedDerived->FExtra[3], 4);
  }
  EXPECT_EQ(gDerivedDestroyed, 2);
  TozkJSON doc;
  doc.AddPair(u"x", 1)->SetJSONObject(std::make_unique<TDerivedJSON>());
  doc.Clear();
  EXPECT_EQ(gDerivedDestroyed, 3);
}

TEST(JSONModel, ParsedNamesAreCopiedOnDemand) {
  TozkJSON doc;
  doc.Read(u"{\"ab\":1,\"cd\":{\"ef\":2}}");
  TozkObjectJSON* first = doc.GetItem(0);
  const std::u16string& name = first->Name();
  EXPECT_EQ(name, u"ab");
  first->SetName(u"x");
  EXPECT_EQ(name, u"x"); // the copy made by Name() takes the new name
  EXPECT_EQ(doc.GetNode(u"x"), first);
  EXPECT_EQ(doc.GetNode(u"ab"), nullptr);
  EXPECT_EQ(doc.GetItem(1)->NameView(), u"cd");
  doc.GetItem(1)->SetName(u"");
  EXPECT_EQ(doc.GetItem(1)->Name(), u"");
  TozkJSON copy;
  copy.Assign(doc);
  doc.Clear(); // the copy's names are its own
  EXPECT_EQ(copy.Text(), u"{\"x\":1,\"\":{\"ef\":2}}");
  EXPECT_EQ(copy.GetItem(1)->GetItem(0)->Name(), u"ef");
}
