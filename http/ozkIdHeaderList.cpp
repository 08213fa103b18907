#include "http/ozkIdHeaderList.h"

#include "base/ozkText.h"

namespace {

bool IsContinuation(const std::u16string& aLine) {
  return !aLine.empty() && (aLine[0] == u' ' || aLine[0] == u'\t');
}

} // namespace

std::vector<std::u16string> FoldHeaderLine(std::u16string_view ALine, int AFoldLength,
                                           size_t AFirstBreak) {
  std::vector<std::u16string> result;
  std::u16string rest(ALine);
  size_t firstBreak = AFirstBreak;
  const size_t limit = AFoldLength > 0 ? static_cast<size_t>(AFoldLength) : 1;
  while (rest.size() > limit) {
    // The last break point that keeps the piece within the limit, else the first one after it.
    size_t best = std::u16string::npos;
    bool inQuotes = false, seenText = false;
    for (size_t k = 0; k < rest.size(); ++k) {
      const char16_t c = rest[k];
      if (inQuotes) {
        if (c == u'\\')
          ++k;
        else if (c == u'"')
          inQuotes = false;
        continue;
      }
      if (c == u'"') {
        inQuotes = true;
        seenText = true;
      } else if (c == u' ' || c == u'\t' || c == u',') {
        // A break needs text before it: a piece of blanks only would be an empty line.
        if (c == u',') seenText = true;
        if (!seenText || k < firstBreak) continue;
        if (k + 1 <= limit)
          best = k;
        else {
          if (best == std::u16string::npos) best = k;
          break;
        }
      } else {
        seenText = true;
      }
    }
    if (best == std::u16string::npos) break;
    std::u16string remainder = TrimLeft(std::u16string_view(rest).substr(best + 1));
    if (remainder.empty()) break;
    result.push_back(TrimRight(std::u16string_view(rest).substr(0, best + 1)));
    rest = u" " + remainder;
    firstBreak = 0;
  }
  result.push_back(TrimRight(rest));
  return result;
}

TIdHeaderList::TIdHeaderList(TIdHeaderQuotingType AQuoteType)
    : FFoldLinesLength(AQuoteType == QuoteHTTP ? INT_MAX : 78), FQuoteType(AQuoteType) {}

void TIdHeaderList::Assign(const TPersistent& aSource) {
  TStringList::Assign(aSource);
}

std::u16string TIdHeaderList::GetName(int Index) const {
  const std::u16string& line = Strings(Index);
  const std::u16string sep = TrimRight(FNameValueSeparator);
  const size_t p = sep.empty() ? std::u16string::npos : line.find(sep);
  return p == std::u16string::npos ? std::u16string() : line.substr(0, p);
}

int TIdHeaderList::IndexOfName(std::u16string_view AName) const {
  for (int i = 0; i < Count(); ++i)
    if (!IsContinuation(Strings(i)) && SameText(GetName(i), AName)) return i;
  return -1;
}

int TIdHeaderList::NextHeaderLine(int AIndex) const {
  int j = AIndex + 1;
  while (j < Count() && IsContinuation(Strings(j))) ++j;
  return j;
}

std::u16string TIdHeaderList::GetValueFromLine(int AIndex) const {
  const std::u16string& line = Strings(AIndex);
  const std::u16string sep = TrimRight(FNameValueSeparator);
  const size_t p = sep.empty() ? std::u16string::npos : line.find(sep);
  std::u16string value = p == std::u16string::npos
                             ? std::u16string()
                             : TrimLeft(std::u16string_view(line).substr(p + sep.size()));
  if (FUnfoldLines) {
    for (int j = AIndex + 1; j < Count() && IsContinuation(Strings(j)); ++j)
      value = Trim(value) + u" " + Trim(Strings(j));
  }
  return Trim(value);
}

std::u16string TIdHeaderList::GetValue(std::u16string_view AName) const {
  int i = IndexOfName(AName);
  return i < 0 ? std::u16string() : GetValueFromLine(i);
}

void TIdHeaderList::FoldAndInsert(std::u16string_view ALine, int AIndex) {
  if (!FFoldLines || static_cast<int64_t>(ALine.size()) <= FFoldLinesLength) {
    Insert(AIndex, std::u16string(ALine));
    return;
  }
  // The first piece breaks only inside the value, never right after the name.
  const size_t sep = ALine.find(FNameValueSeparator);
  const size_t valueStart = sep == std::u16string_view::npos ? 0 : sep + FNameValueSeparator.size();
  for (auto& piece : FoldHeaderLine(ALine, FFoldLinesLength, valueStart)) Insert(AIndex++, piece);
}

void TIdHeaderList::SetValue(std::u16string_view AName, std::u16string_view AValue) {
  int i = IndexOfName(AName);
  if (i >= 0) {
    for (int last = NextHeaderLine(i) - 1; last >= i; --last) Delete(last);
  }
  if (AValue.empty()) return;
  const std::u16string line = std::u16string(AName) + FNameValueSeparator + std::u16string(AValue);
  FoldAndInsert(line, i >= 0 ? i : Count());
}

void TIdHeaderList::AddValue(std::u16string_view AName, std::u16string_view AValue) {
  if (AName.empty() || AValue.empty()) return;
  FoldAndInsert(std::u16string(AName) + FNameValueSeparator + std::u16string(AValue), Count());
}

void TIdHeaderList::AddStdValues(const TStringList& ASrc) {
  for (int i = 0; i < ASrc.Count(); ++i)
    AddValue(ASrc.TStringList::Names(i), ASrc.ValueFromIndex(i));
}

void TIdHeaderList::ConvertToStdValues(TStringList& ADest) const {
  for (int i = 0; i < Count(); ++i) {
    if (IsContinuation(Strings(i))) continue;
    ADest.Add(GetName(i) + TStringList::NameValueSeparator + GetValueFromLine(i));
  }
}

void TIdHeaderList::AddStrings(const TStringList& Strings) {
  if (dynamic_cast<const TIdHeaderList*>(&Strings))
    TStringList::AddStrings(Strings);
  else
    AddStdValues(Strings);
}

void TIdHeaderList::Extract(std::u16string_view AName, TStringList& ADest) const {
  for (int i = 0; i < Count(); ++i)
    if (!IsContinuation(Strings(i)) && SameText(GetName(i), AName)) ADest.Add(GetValueFromLine(i));
}

TIdHeaderQuotingType TIdHeaderList::ParamQuoteType(std::u16string_view AName) const {
  const bool mimeHeader =
      SameText(AName, u"Content-Type") || SameText(AName, u"Content-Disposition");
  if (FQuoteType == QuoteRFC822 && mimeHeader) return QuoteMIME;
  if (FQuoteType == QuoteMIME && !mimeHeader) return QuoteRFC822;
  return FQuoteType;
}

std::u16string TIdHeaderList::GetParam(std::u16string_view AName,
                                       std::u16string_view AParam) const {
  return GetHeaderParam(GetValue(AName), AParam, ParamQuoteType(AName));
}

void TIdHeaderList::SetParam(std::u16string_view AName, std::u16string_view AParam,
                             std::u16string_view AValue) {
  SetValue(AName, SetHeaderParam(GetValue(AName), AParam, AValue, ParamQuoteType(AName)));
}

std::u16string TIdHeaderList::GetAllParams(std::u16string_view AName) const {
  const std::u16string value = GetValue(AName);
  const size_t p = value.find(u';');
  return p == std::u16string::npos ? std::u16string()
                                   : Trim(std::u16string_view(value).substr(p + 1));
}

void TIdHeaderList::SetAllParams(std::u16string_view AName, std::u16string_view AValue) {
  if (IndexOfName(AName) < 0) return;
  std::u16string value = GetHeaderItem(GetValue(AName));
  const std::u16string params = Trim(AValue);
  if (!params.empty()) value += u"; " + params;
  SetValue(AName, value);
}
