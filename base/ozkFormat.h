// printf-style formatting of the system's message texts ("Socket Error # %d\r\n%s").
// Directives: %[-][0][width][.precision](d|u|x|X|s|f|g|e|%). %s takes text (UTF-16, UTF-8
// or a character pointer), %d/%u/%x take integers, %f/%g/%e doubles. A directive without a
// matching argument is written as it stands; surplus arguments are ignored.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

class TFormatArg {
 public:
  enum Kind { kInt, kUInt, kDouble, kText };
  template <typename T, std::enable_if_t<std::is_integral_v<T> && std::is_signed_v<T>, int> = 0>
  TFormatArg(T v) : FKind(kInt), FInt(v) {}
  template <typename T,
            std::enable_if_t<std::is_integral_v<T> && std::is_unsigned_v<T> &&
                                 !std::is_same_v<T, bool> && !std::is_same_v<T, char16_t>,
                             int> = 0>
  TFormatArg(T v) : FKind(kUInt), FUInt(v) {}
  TFormatArg(bool v) : FKind(kInt), FInt(v ? 1 : 0) {}
  TFormatArg(double v) : FKind(kDouble), FDouble(v) {}
  TFormatArg(std::u16string_view v) : FKind(kText), FText(v) {}
  TFormatArg(const std::u16string& v) : FKind(kText), FText(v) {}
  TFormatArg(const char16_t* v) : FKind(kText), FText(v ? v : u"") {}
  TFormatArg(std::string_view aUTF8);
  TFormatArg(const std::string& aUTF8) : TFormatArg(std::string_view(aUTF8)) {}
  TFormatArg(const char* aUTF8) : TFormatArg(std::string_view(aUTF8 ? aUTF8 : "")) {}

  Kind FKind;
  int64_t FInt = 0;
  uint64_t FUInt = 0;
  double FDouble = 0;
  std::u16string FText;
};

std::u16string FormatArgs(std::u16string_view aFormat, std::initializer_list<TFormatArg> aArgs);

template <typename... A> std::u16string Format(std::u16string_view aFormat, const A&... aArgs) {
  return FormatArgs(aFormat, {TFormatArg(aArgs)...});
}
