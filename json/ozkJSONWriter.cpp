// The writer behind TozkJSON::Text: compact JSON, members in order, values written as stored
// (nothing is escaped), text appended to one growing string. Nested documents are walked
// with an explicit stack, so a document built to any depth writes without deep recursion.
#include "json/ozkJSON.h"

#include <charconv>
#include <cmath>

class TozkJSONWriter {
 public:
  static void Write(const TozkJSON& aDoc, std::u16string& aOut);
};

namespace {

using TMembers = std::vector<std::unique_ptr<TozkObjectJSON>>;

struct TFrame {
  const TMembers* Members;
  size_t Index;
  size_t Open; // length of the text right after this container's opening bracket
  bool Array;
};

inline void AppendName(std::u16string& aOut, std::u16string_view aName) {
  aOut.push_back(u'"');
  aOut.append(aName);
  aOut.append(u"\":", 2);
}

template <typename T> void AppendInteger(std::u16string& aOut, T aValue) {
  char buf[24];
  auto res = std::to_chars(buf, buf + sizeof buf, aValue);
  for (const char* c = buf; c < res.ptr; ++c) aOut.push_back(static_cast<char16_t>(*c));
}

// A number's text, with every "," (a decimal comma of a text value) written as ".".
void AppendNumber(std::u16string& aOut, const TozkJSONValue& aValue) {
  if (aValue.IsText()) {
    std::u16string_view text = aValue.TextView();
    size_t start = aOut.size();
    aOut.append(text);
    if (text.find(u',') != std::u16string::npos)
      for (size_t i = start; i < aOut.size(); ++i)
        if (aOut[i] == u',') aOut[i] = u'.';
    return;
  }
  const auto& data = aValue.Data();
  switch (data.index()) {
  case 2:
    AppendInteger(aOut, std::get<2>(data));
    break;
  case 3:
    AppendInteger(aOut, std::get<3>(data));
    break;
  case 4: {
    double d = std::get<4>(data);
    // JSON has no infinities or NaN; null keeps the output valid.
    if (std::isfinite(d))
      aOut.append(JSONFloatToStr(d));
    else
      aOut.append(u"null", 4);
    break;
  }
  default:
    aOut.append(aValue.AsString());
  }
}

void AppendString(std::u16string& aOut, const TozkObjectJSON& aMember) {
  const TozkJSONValue& value = aMember.StoredValue();
  std::u16string converted;
  std::u16string_view text = value.TextView();
  if (!value.IsText()) {
    converted = value.AsString();
    text = converted;
  }
  // Text that already begins with a quote, and embedded JSON added unquoted, go as they are.
  if (aMember.Quoted() && (text.empty() || text[0] != u'"')) {
    aOut.push_back(u'"');
    aOut.append(text);
    aOut.push_back(u'"');
  } else {
    aOut.append(text);
  }
}

inline void AppendStored(std::u16string& aOut, const TozkJSONValue& aValue) {
  if (aValue.IsText())
    aOut.append(aValue.TextView());
  else
    aOut.append(aValue.AsString());
}

} // namespace

void TozkJSONWriter::Write(const TozkJSON& aDoc, std::u16string& aOut) {
  std::vector<TFrame> frames;
  frames.reserve(16);
  aOut.push_back(aDoc.FIsArray ? u'[' : u'{');
  frames.push_back({&aDoc.FData, 0, aOut.size(), aDoc.FIsArray});
  while (!frames.empty()) {
    TFrame& frame = frames.back();
    if (frame.Index == frame.Members->size()) {
      aOut.push_back(frame.Array ? u']' : u'}');
      frames.pop_back();
      continue;
    }
    const TozkObjectJSON* m = (*frame.Members)[frame.Index++].get();
    if (!m) continue;
    const bool array = frame.Array;
    // A comma goes before every member but the first, unless the text already ends with
    // one. A member that writes nothing (a null added without value, in an array) takes
    // its comma back, so it leaves no element and no stray comma.
    const size_t mark = aOut.size();
    if (mark != frame.Open && aOut.back() != u',') aOut.push_back(u',');
    const size_t before = aOut.size();
    switch (m->JSONType()) {
    case ozkJSONObject: {
      if (!array) AppendName(aOut, m->NameView());
      const TozkJSON* nested = m->NestedJSON();
      if (!nested) {
        aOut.append(u"{}", 2);
        break;
      }
      aOut.push_back(nested->FIsArray ? u'[' : u'{');
      frames.push_back({&nested->FData, 0, aOut.size(), nested->FIsArray}); // frame is stale now
      break;
    }
    case ozkJSONList: {
      // Items of a list are written in array mode whatever the nested document's flag says:
      // builders add them under index names to a plain document.
      if (!array) AppendName(aOut, m->NameView());
      const TozkJSON* nested = m->NestedJSON();
      if (!nested) {
        aOut.append(u"[]", 2);
        break;
      }
      aOut.push_back(u'[');
      frames.push_back({&nested->FData, 0, aOut.size(), true});
      break;
    }
    case ozkJSONString:
      if (!array) AppendName(aOut, m->NameView());
      AppendString(aOut, *m);
      break;
    case ozkJSONNumber:
      if (!array) AppendName(aOut, m->NameView());
      AppendNumber(aOut, m->StoredValue());
      break;
    case ozkJSONBoolean:
      if (!array) AppendName(aOut, m->NameView());
      AppendStored(aOut, m->StoredValue());
      break;
    case ozkJSONNull:
      if (!array) {
        AppendName(aOut, m->NameView());
        aOut.append(u"null", 4);
      } else {
        AppendStored(aOut, m->StoredValue());
      }
      break;
    default: // a member of unknown kind writes nothing
      break;
    }
    if (aOut.size() == before) aOut.resize(mark);
  }
}

std::u16string TozkJSON::Text() const {
  std::u16string out;
  // A parsed document writes about as much as it read.
  out.reserve(FSource.size() + 2);
  TozkJSONWriter::Write(*this, out);
  return out;
}
