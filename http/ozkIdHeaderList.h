// Header lines ("Name: value") in wire order with case-insensitive access by name, unfolding of
// continuation lines on reading, folding of long lines on writing, and access to the parameters
// inside header values.
#pragma once

#include <climits>
#include <string>
#include <string_view>
#include <vector>

#include "base/ozkStringList.h"
#include "http/ozkIdGlobalProtocols.h"

class TIdHeaderList : public TStringList {
 public:
  explicit TIdHeaderList(TIdHeaderQuotingType AQuoteType);

  // Copies the lines; the list keeps its own separator, folding and quoting settings.
  void Assign(const TPersistent& aSource) override;

  // Name of line Index: the text before its first ":", unchanged; empty without a ":".
  std::u16string GetName(int Index) const;
  std::u16string Names(int Index) const { return GetName(Index); }
  // First line whose name equals AName ignoring letter case, or -1.
  int IndexOfName(std::u16string_view AName) const;
  // Value of the first header AName, continuation lines joined by one space (with UnfoldLines),
  // trimmed; empty when absent.
  std::u16string GetValue(std::u16string_view AName) const;
  std::u16string Values(std::u16string_view AName) const { return GetValue(AName); }
  // Replaces the first header AName in place (its continuation lines removed), written with the
  // letter case of AName, or appends it; an empty AValue deletes the header.
  void SetValue(std::u16string_view AName, std::u16string_view AValue);
  void SetValues(std::u16string_view AName, std::u16string_view AValue) { SetValue(AName, AValue); }
  // Appends a header whatever exists, when name and value are both non-empty.
  void AddValue(std::u16string_view AName, std::u16string_view AValue);

  // From and to lists of name=value pairs (one pair per header, values unfolded).
  void AddStdValues(const TStringList& ASrc);
  void ConvertToStdValues(TStringList& ADest) const;
  // Another header list: its lines as they are; any other list: as name=value pairs.
  void AddStrings(const TStringList& Strings);
  // Adds the unfolded value of every header AName, in list order, to ADest.
  void Extract(std::u16string_view AName, TStringList& ADest) const;

  std::u16string GetParam(std::u16string_view AName, std::u16string_view AParam) const;
  void SetParam(std::u16string_view AName, std::u16string_view AParam, std::u16string_view AValue);
  std::u16string Params(std::u16string_view AName, std::u16string_view AParam) const {
    return GetParam(AName, AParam);
  }
  void SetParams(std::u16string_view AName, std::u16string_view AParam,
                 std::u16string_view AValue) {
    SetParam(AName, AParam, AValue);
  }
  // The trimmed text after the item's ";" of header AName.
  std::u16string GetAllParams(std::u16string_view AName) const;
  // Replaces everything after the item; nothing happens for a missing header.
  void SetAllParams(std::u16string_view AName, std::u16string_view AValue);
  std::u16string AllParams(std::u16string_view AName) const { return GetAllParams(AName); }

  const std::u16string& NameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(std::u16string_view AValue) { FNameValueSeparator = AValue; }
  bool UnfoldLines() const { return FUnfoldLines; }
  void SetUnfoldLines(bool AValue) { FUnfoldLines = AValue; }
  bool FoldLines() const { return FFoldLines; }
  void SetFoldLines(bool AValue) { FFoldLines = AValue; }
  int FoldLength() const { return FFoldLinesLength; }
  void SetFoldLength(int AValue) { FFoldLinesLength = AValue; }
  TIdHeaderQuotingType QuoteType() const { return FQuoteType; }

 protected:
  // Value of the header that starts at line AIndex.
  std::u16string GetValueFromLine(int AIndex) const;
  // Index of the first line after the header at AIndex (past its continuation lines).
  int NextHeaderLine(int AIndex) const;
  // Inserts ALine at AIndex, wrapped into several lines when folding applies.
  void FoldAndInsert(std::u16string_view ALine, int AIndex);
  TIdHeaderQuotingType ParamQuoteType(std::u16string_view AName) const;

  std::u16string FNameValueSeparator = u": ";
  bool FUnfoldLines = true;
  bool FFoldLines = true;
  int FFoldLinesLength = 78;
  TIdHeaderQuotingType FQuoteType;
};

// Splits a header line into pieces of at most AFoldLength characters where it can: after a space,
// tab or comma outside double quotes, the first break not before AFirstBreak. Continuation
// pieces start with one space; trailing blanks of each piece are removed.
std::vector<std::u16string> FoldHeaderLine(std::u16string_view ALine, int AFoldLength,
                                           size_t AFirstBreak = 0);
