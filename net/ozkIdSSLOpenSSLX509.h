// TIdX509: one certificate as the verification events and the handler's users see it.
#pragma once

#include <cstdint>
#include <string>

#include "base/ozkStringList.h"
#include "net/ozkIdGlobal.h"

struct x509_st;

enum TIdSSLDigest { dgMD5, dgSHA1, dgSHA224, dgSHA256, dgSHA384, dgSHA512 };

// A subject or issuer name: the one-line text ("/C=../CN=..") and OpenSSL's name hash.
struct TIdX509Name {
  std::u16string OneLine;
  uint32_t Hash = 0;
  // The hash as eight lower-case hexadecimal digits, as certificate folders name their files.
  std::u16string HashAsString() const;
};

class TIdX509 {
 public:
  // ACanFree: the wrapper owns ACert (one reference) and frees it. A certificate taken from a
  // verification context is wrapped with ACanFree false and must outlive the wrapper.
  explicit TIdX509(x509_st* ACert, bool ACanFree = true);
  ~TIdX509();
  TIdX509(const TIdX509&) = delete;
  TIdX509& operator=(const TIdX509&) = delete;

  TIdX509Name Subject() const;
  TIdX509Name Issuer() const;
  // Upper-case hexadecimal, without separators.
  std::u16string SerialNumber() const;
  // The version field as stored (0 for a version 1 certificate, 2 for version 3).
  long Version() const;
  // Validity in seconds since 1970-01-01 UTC, and as text ("2024-01-31 12:00:00 UTC").
  int64_t NotBefore() const;
  int64_t NotAfter() const;
  std::u16string NotBeforeText() const;
  std::u16string NotAfterText() const;
  TIdBytes Fingerprint(TIdSSLDigest ADigest) const;
  // Upper-case hexadecimal byte pairs joined by ":".
  std::u16string FingerprintAsString(TIdSSLDigest ADigest) const;
  TIdBytes Signature() const;
  // The signature algorithm's long name ("sha256WithRSAEncryption", "ecdsa-with-SHA256").
  std::u16string SignatureType() const;
  // Subject, issuer, serial number, validity and SHA-256 fingerprint, one per line.
  TStringList DisplayInfo() const;

  x509_st* Certificate() const { return FX509; }

 private:
  x509_st* FX509;
  bool FCanFree;
};
