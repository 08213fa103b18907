// URLs split into their parts (scheme, user information, host, port, path, document, query,
// fragment) and joined again, with the percent-encoding rules of the HTTP client.
#pragma once

#include <string>
#include <string_view>

#include "net/ozkIdException.h"
#include "net/ozkIdGlobal.h"
#include "net/ozkIdStack.h"

class EIdURIException : public EIdException {
 public:
  using EIdException::EIdException;
};

enum TIdURIOptionalFields : unsigned { ofAuthInfo = 1u << 0, ofBookmark = 1u << 1 };
using TIdURIOptionalFieldsSet = unsigned;

class TIdURI {
 public:
  explicit TIdURI(const std::u16string& AURI = std::u16string());

  // The URL without user information and fragment; also refreshes the stored full form.
  std::u16string URI();
  void SetURI(const std::u16string& AValue);
  // Raises EIdURIException "Protocol field is empty" / "Host field is empty".
  std::u16string GetFullURI(TIdURIOptionalFieldsSet AOptionalFields = ofAuthInfo |
                                                                      ofBookmark) const;
  // Path + Document, then "?" + Params when there are any.
  std::u16string GetPathAndParams() const;

  const std::u16string& Protocol() const { return FProtocol; }
  void SetProtocol(const std::u16string& AValue) { FProtocol = AValue; }
  const std::u16string& Host() const { return FHost; }
  void SetHost(const std::u16string& AValue) { FHost = AValue; }
  const std::u16string& Port() const { return FPort; }
  void SetPort(const std::u16string& AValue) { FPort = AValue; }
  const std::u16string& Path() const { return Fpath; }
  void SetPath(const std::u16string& AValue) { Fpath = AValue; }
  const std::u16string& Document() const { return FDocument; }
  void SetDocument(const std::u16string& AValue) { FDocument = AValue; }
  const std::u16string& Params() const { return FParams; }
  void SetParams(const std::u16string& AValue) { FParams = AValue; }
  const std::u16string& Bookmark() const { return FBookmark; }
  void SetBookmark(const std::u16string& AValue) { FBookmark = AValue; }
  const std::u16string& Username() const { return FUserName; }
  void SetUsername(const std::u16string& AValue) { FUserName = AValue; }
  const std::u16string& Password() const { return FPassword; }
  void SetPassword(const std::u16string& AValue) { FPassword = AValue; }
  TIdIPVersion IPVersion() const { return FIPVersion; }
  void SetIPVersion(TIdIPVersion AValue) { FIPVersion = AValue; }

  // "%uXXXX" and "%XX" escapes become bytes (a malformed escape is dropped), other characters
  // their bytes in the encoding; the bytes are decoded with the encoding. "+" stays "+".
  static std::u16string URLDecode(std::u16string_view ASrc,
                                  const IIdTextEncodingPtr& AByteEncoding = nullptr);
  // Parses ASrc, encodes path, document and query, and joins it without user information and
  // fragment.
  static std::u16string URLEncode(std::u16string_view ASrc,
                                  const IIdTextEncodingPtr& AByteEncoding = nullptr);
  // Percent-encodes controls, space, non-ASCII and * < > # % { } | \ ^ [ ] ` "; an existing
  // "%XX" escape is kept. PathEncode also encodes "+".
  static std::u16string ParamsEncode(std::u16string_view ASrc,
                                     const IIdTextEncodingPtr& AByteEncoding = nullptr);
  static std::u16string PathEncode(std::u16string_view ASrc,
                                   const IIdTextEncodingPtr& AByteEncoding = nullptr);
  // Turns every backslash into "/" from the scheme's ":" on, up to the query or fragment.
  static std::u16string NormalizePath(std::u16string_view APath);
  // The default port of a scheme ("http" 80, "https" 443, "ftp" 21), or 0.
  static int DefaultPort(std::u16string_view AProtocol);

 private:
  std::u16string FDocument;
  std::u16string FProtocol;
  std::u16string FURI;
  std::u16string FPort;
  std::u16string Fpath;
  std::u16string FHost;
  std::u16string FBookmark;
  std::u16string FUserName;
  std::u16string FPassword;
  std::u16string FParams;
  TIdIPVersion FIPVersion = Id_IPv4;
};
