#include "http/ozkIdURI.h"

#include "base/ozkText.h"

namespace {

const char16_t kHexDigits[] = u"0123456789ABCDEF";

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

bool IsHexRun(std::u16string_view s, size_t aPos, size_t aCount) {
  if (aPos + aCount > s.size()) return false;
  for (size_t k = aPos; k < aPos + aCount; ++k)
    if (HexValue(s[k]) < 0) return false;
  return true;
}

int HexRunValue(std::u16string_view s, size_t aPos, size_t aCount) {
  int v = 0;
  for (size_t k = aPos; k < aPos + aCount; ++k) v = v * 16 + HexValue(s[k]);
  return v;
}

bool IsHighSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

IIdTextEncodingPtr EncodingOrUTF8(const IIdTextEncodingPtr& AEncoding) {
  return AEncoding ? AEncoding : TextEncodingOfKind(tekUTF8);
}

std::u16string PercentEncode(std::u16string_view ASrc, std::u16string_view AUnsafe,
                             const IIdTextEncodingPtr& AEncoding) {
  const IIdTextEncodingPtr enc = EncodingOrUTF8(AEncoding);
  std::u16string r;
  r.reserve(ASrc.size());
  size_t i = 0;
  while (i < ASrc.size()) {
    const char16_t c = ASrc[i];
    if (c == u'%' && IsHexRun(ASrc, i + 1, 2)) {
      r.append(ASrc.substr(i, 3));
      i += 3;
      continue;
    }
    if (c > 32 && c < 128 && AUnsafe.find(c) == std::u16string_view::npos) {
      r.push_back(c);
      ++i;
      continue;
    }
    const size_t len =
        (IsHighSurrogate(c) && i + 1 < ASrc.size() && IsLowSurrogate(ASrc[i + 1])) ? 2 : 1;
    for (uint8_t b : enc->GetBytes(ASrc.substr(i, len))) {
      r.push_back(u'%');
      r.push_back(kHexDigits[b >> 4]);
      r.push_back(kHexDigits[b & 15]);
    }
    i += len;
  }
  return r;
}

} // namespace

TIdURI::TIdURI(const std::u16string& AURI) {
  if (!AURI.empty()) SetURI(AURI);
}

int TIdURI::DefaultPort(std::u16string_view AProtocol) {
  if (SameText(AProtocol, u"http")) return 80;
  if (SameText(AProtocol, u"https")) return 443;
  if (SameText(AProtocol, u"ftp")) return 21;
  return 0;
}

std::u16string TIdURI::NormalizePath(std::u16string_view APath) {
  std::u16string r(APath);
  const size_t colon = r.find(u':');
  for (size_t i = colon == std::u16string::npos ? 0 : colon + 1; i < r.size(); ++i) {
    if (r[i] == u'?' || r[i] == u'#') break;
    if (r[i] == u'\\') r[i] = u'/';
  }
  return r;
}

void TIdURI::SetURI(const std::u16string& AValue) {
  FURI = AValue;
  std::u16string s = NormalizePath(AValue);
  FDocument.clear();
  FProtocol.clear();
  FPort.clear();
  Fpath.clear();
  FHost.clear();
  FBookmark.clear();
  FUserName.clear();
  FPassword.clear();
  FParams.clear();
  FIPVersion = Id_IPv4;

  // The query starts at the first "?" and the fragment at the first "#" outside it; a "#" before
  // any "?" makes everything after it fragment.
  auto splitQueryAndFragment = [this](std::u16string& aText) {
    const size_t q = aText.find_first_of(u"?#");
    if (q == std::u16string::npos) return;
    std::u16string tail = aText.substr(q + 1);
    const bool isQuery = aText[q] == u'?';
    aText.resize(q);
    if (!isQuery) {
      FBookmark = tail;
      return;
    }
    const size_t h = tail.find(u'#');
    if (h != std::u16string::npos) {
      FBookmark = tail.substr(h + 1);
      tail.resize(h);
    }
    FParams = tail;
  };

  // A scheme is the text before "://" when that text holds no "/", "?" or "#".
  const size_t sep = s.find(u"://");
  const bool hasScheme =
      sep != std::u16string::npos && s.substr(0, sep).find_first_of(u"/?#") == std::u16string::npos;
  if (hasScheme || s.rfind(u"//", 0) == 0) {
    if (hasScheme) {
      FProtocol = s.substr(0, sep);
      s.erase(0, sep + 3);
    } else {
      s.erase(0, 2);
    }
    splitQueryAndFragment(s);
    const size_t slash = s.find(u'/');
    std::u16string authority = s.substr(0, slash);
    s = slash == std::u16string::npos ? std::u16string() : s.substr(slash + 1);

    const size_t at = authority.rfind(u'@');
    if (at != std::u16string::npos) {
      const std::u16string userInfo = authority.substr(0, at);
      authority.erase(0, at + 1);
      const size_t colon = userInfo.find(u':');
      FUserName = userInfo.substr(0, colon);
      if (colon != std::u16string::npos) FPassword = userInfo.substr(colon + 1);
      if (FUserName.empty()) FPassword.clear();
    }
    const size_t open = authority.find(u'[');
    const size_t close = authority.find(u']');
    if (open != std::u16string::npos && close != std::u16string::npos && open < close) {
      FHost = authority.substr(open + 1, close - open - 1);
      FIPVersion = Id_IPv6;
      const size_t colon = authority.find(u':', close);
      if (colon != std::u16string::npos) FPort = authority.substr(colon + 1);
    } else {
      const size_t colon = authority.find(u':');
      FHost = authority.substr(0, colon);
      if (colon != std::u16string::npos) FPort = authority.substr(colon + 1);
    }
    const size_t last = s.rfind(u'/');
    if (last == std::u16string::npos) {
      Fpath = u"/";
      FDocument = s;
    } else {
      Fpath = u"/" + s.substr(0, last + 1);
      FDocument = s.substr(last + 1);
    }
  } else {
    splitQueryAndFragment(s);
    const size_t last = s.rfind(u'/');
    if (last == std::u16string::npos) {
      FDocument = s;
    } else {
      Fpath = s.substr(0, last + 1);
      FDocument = s.substr(last + 1);
    }
  }
}

std::u16string TIdURI::GetPathAndParams() const {
  std::u16string r = Fpath + FDocument;
  if (!FParams.empty()) r += u"?" + FParams;
  return r;
}

std::u16string TIdURI::GetFullURI(TIdURIOptionalFieldsSet AOptionalFields) const {
  if (FProtocol.empty()) throw EIdURIException(u"Protocol field is empty");
  if (FHost.empty()) throw EIdURIException(u"Host field is empty");
  std::u16string r = FProtocol + u"://";
  if ((AOptionalFields & ofAuthInfo) && !FUserName.empty()) {
    r += FUserName;
    if (!FPassword.empty()) r += u":" + FPassword;
    r += u"@";
  }
  r += FIPVersion == Id_IPv6 ? u"[" + FHost + u"]" : FHost;
  if (!FPort.empty()) {
    const int defaultPort = DefaultPort(FProtocol);
    int64_t port = 0;
    if (defaultPort == 0 || !TryStrToInt64(FPort, port) || port != defaultPort) r += u":" + FPort;
  }
  r += GetPathAndParams();
  if ((AOptionalFields & ofBookmark) && !FBookmark.empty()) r += u"#" + FBookmark;
  return r;
}

std::u16string TIdURI::URI() {
  FURI = GetFullURI(ofAuthInfo | ofBookmark);
  return GetFullURI(0);
}

std::u16string TIdURI::ParamsEncode(std::u16string_view ASrc,
                                    const IIdTextEncodingPtr& AByteEncoding) {
  return PercentEncode(ASrc, u"*<>#%{}|\\^[]`\"", AByteEncoding);
}

std::u16string TIdURI::PathEncode(std::u16string_view ASrc,
                                  const IIdTextEncodingPtr& AByteEncoding) {
  return PercentEncode(ASrc, u"*<>#%{}|\\^[]`\"+", AByteEncoding);
}

std::u16string TIdURI::URLEncode(std::u16string_view ASrc,
                                 const IIdTextEncodingPtr& AByteEncoding) {
  TIdURI uri{std::u16string(ASrc)};
  uri.SetPath(PathEncode(uri.Path(), AByteEncoding));
  uri.SetDocument(PathEncode(uri.Document(), AByteEncoding));
  uri.SetParams(ParamsEncode(uri.Params(), AByteEncoding));
  return uri.URI();
}

std::u16string TIdURI::URLDecode(std::u16string_view ASrc,
                                 const IIdTextEncodingPtr& AByteEncoding) {
  const IIdTextEncodingPtr enc = EncodingOrUTF8(AByteEncoding);
  TIdBytes bytes;
  auto appendChars = [&](std::u16string_view aChars) {
    TIdBytes b = enc->GetBytes(aChars);
    bytes.insert(bytes.end(), b.begin(), b.end());
  };
  size_t i = 0;
  const size_t n = ASrc.size();
  while (i < n) {
    const char16_t c = ASrc[i];
    if (c == u'%') {
      if (i + 1 < n && (ASrc[i + 1] == u'u' || ASrc[i + 1] == u'U') && IsHexRun(ASrc, i + 2, 4)) {
        std::u16string units(1, static_cast<char16_t>(HexRunValue(ASrc, i + 2, 4)));
        i += 6;
        // Keep a "%uD83D%uDE00" pair together so it encodes as one character.
        if (IsHighSurrogate(units[0]) && i + 1 < n && ASrc[i] == u'%' &&
            (ASrc[i + 1] == u'u' || ASrc[i + 1] == u'U') && IsHexRun(ASrc, i + 2, 4) &&
            IsLowSurrogate(static_cast<char16_t>(HexRunValue(ASrc, i + 2, 4)))) {
          units.push_back(static_cast<char16_t>(HexRunValue(ASrc, i + 2, 4)));
          i += 6;
        }
        appendChars(units);
      } else if (IsHexRun(ASrc, i + 1, 2)) {
        bytes.push_back(static_cast<uint8_t>(HexRunValue(ASrc, i + 1, 2)));
        i += 3;
      } else {
        ++i; // a malformed escape is dropped
      }
    } else if (c < 128) {
      bytes.push_back(static_cast<uint8_t>(c));
      ++i;
    } else {
      // Unescaped non-ASCII text stays what it is: its bytes in the same encoding.
      const size_t len = (IsHighSurrogate(c) && i + 1 < n && IsLowSurrogate(ASrc[i + 1])) ? 2 : 1;
      appendChars(ASrc.substr(i, len));
      i += len;
    }
  }
  return enc->GetString(bytes);
}
