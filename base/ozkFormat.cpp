#include "base/ozkFormat.h"

#include <cstdio>
#include <vector>

#include "base/ozkText.h"

TFormatArg::TFormatArg(std::string_view aUTF8) : FKind(kText), FText(UTF8ToUTF16(aUTF8)) {}

namespace {

std::u16string Pad(std::u16string aBody, bool aLeft, bool aZero, int aWidth) {
  if (static_cast<int>(aBody.size()) >= aWidth) return aBody;
  size_t fill = static_cast<size_t>(aWidth) - aBody.size();
  if (aLeft) return aBody + std::u16string(fill, u' ');
  if (aZero) {
    size_t signLen = (!aBody.empty() && (aBody[0] == u'-' || aBody[0] == u'+')) ? 1 : 0;
    return aBody.substr(0, signLen) + std::u16string(fill, u'0') + aBody.substr(signLen);
  }
  return std::u16string(fill, u' ') + aBody;
}

std::u16string FormatDouble(double v, char conv, int prec) {
  char fmt[8] = {'%', '.', '*', conv, 0};
  char buf[512];
  std::snprintf(buf, sizeof buf, fmt, prec < 0 ? 6 : prec, v);
  return ASCIIToUTF16(buf);
}

} // namespace

std::u16string FormatArgs(std::u16string_view f, std::initializer_list<TFormatArg> aArgs) {
  std::vector<const TFormatArg*> args;
  for (const auto& a : aArgs) args.push_back(&a);
  size_t next = 0;
  std::u16string out;
  out.reserve(f.size() + 16);
  for (size_t i = 0; i < f.size(); ++i) {
    char16_t c = f[i];
    if (c != u'%') {
      out.push_back(c);
      continue;
    }
    size_t start = i++;
    if (i < f.size() && f[i] == u'%') {
      out.push_back(u'%');
      continue;
    }
    bool left = false, zero = false;
    while (i < f.size() && (f[i] == u'-' || f[i] == u'0')) {
      if (f[i] == u'-')
        left = true;
      else
        zero = true;
      ++i;
    }
    int width = 0, prec = -1;
    while (i < f.size() && f[i] >= u'0' && f[i] <= u'9') width = width * 10 + (f[i++] - u'0');
    if (i < f.size() && f[i] == u'.') {
      prec = 0;
      ++i;
      while (i < f.size() && f[i] >= u'0' && f[i] <= u'9') prec = prec * 10 + (f[i++] - u'0');
    }
    if (i >= f.size() || next >= args.size()) {
      out.append(f.substr(start, i - start + (i < f.size() ? 1 : 0)));
      continue;
    }
    const TFormatArg& a = *args[next];
    std::u16string body;
    switch (f[i]) {
    case u'd':
    case u'u':
      if (a.FKind == TFormatArg::kInt)
        body = IntToStr(a.FInt);
      else if (a.FKind == TFormatArg::kUInt)
        body = UIntToStr(a.FUInt);
      else if (a.FKind == TFormatArg::kDouble)
        body = IntToStr(static_cast<int64_t>(a.FDouble));
      else
        body = a.FText;
      break;
    case u'x':
    case u'X': {
      uint64_t v = a.FKind == TFormatArg::kUInt ? a.FUInt : static_cast<uint64_t>(a.FInt);
      body = IntToHex(v, prec > 0 ? prec : 1);
      if (f[i] == u'x') body = LowerCase(body);
      break;
    }
    case u's':
      if (a.FKind == TFormatArg::kText)
        body = a.FText;
      else if (a.FKind == TFormatArg::kInt)
        body = IntToStr(a.FInt);
      else if (a.FKind == TFormatArg::kUInt)
        body = UIntToStr(a.FUInt);
      else
        body = FormatDouble(a.FDouble, 'g', 15);
      if (prec >= 0 && body.size() > static_cast<size_t>(prec)) body.resize(prec);
      break;
    case u'f':
    case u'g':
    case u'e': {
      double v = a.FKind == TFormatArg::kDouble ? a.FDouble
                 : a.FKind == TFormatArg::kInt  ? static_cast<double>(a.FInt)
                                                : static_cast<double>(a.FUInt);
      body = FormatDouble(v, static_cast<char>(f[i]), prec);
      break;
    }
    default:
      out.append(f.substr(start, i - start + 1));
      continue;
    }
    ++next;
    out += Pad(std::move(body), left, zero && !left, width);
  }
  return out;
}
