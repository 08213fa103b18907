#include "net/ozkIdSSLOpenSSLX509.h"

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

#include <ctime>

#include "base/ozkFormat.h"
#include "base/ozkText.h"

namespace {

TIdX509Name NameOf(X509_NAME* AName) {
  TIdX509Name result;
  if (!AName) return result;
  char buf[1024];
  X509_NAME_oneline(AName, buf, sizeof(buf));
  result.OneLine = UTF8ToUTF16(buf);
  result.Hash = static_cast<uint32_t>(X509_NAME_hash_ex(AName, nullptr, nullptr, nullptr));
  return result;
}

int64_t TimeOf(const ASN1_TIME* ATime) {
  struct tm tm {};
  if (!ATime || ASN1_TIME_to_tm(ATime, &tm) != 1) return 0;
  return static_cast<int64_t>(timegm(&tm));
}

std::u16string TimeText(const ASN1_TIME* ATime) {
  struct tm tm {};
  if (!ATime || ASN1_TIME_to_tm(ATime, &tm) != 1) return std::u16string();
  char buf[64];
  strftime(buf, sizeof(buf), "%Y-%m-%d %H:%M:%S UTC", &tm);
  return UTF8ToUTF16(buf);
}

const EVP_MD* DigestOf(TIdSSLDigest ADigest) {
  switch (ADigest) {
  case dgMD5:
    return EVP_md5();
  case dgSHA1:
    return EVP_sha1();
  case dgSHA224:
    return EVP_sha224();
  case dgSHA256:
    return EVP_sha256();
  case dgSHA384:
    return EVP_sha384();
  case dgSHA512:
    return EVP_sha512();
  }
  return nullptr;
}

std::u16string HexPairs(const TIdBytes& ABytes, std::u16string_view ASeparator) {
  std::u16string text;
  for (size_t i = 0; i < ABytes.size(); ++i) {
    if (i) text += ASeparator;
    text += IntToHex(ABytes[i], 2);
  }
  return text;
}

} // namespace

std::u16string TIdX509Name::HashAsString() const {
  return LowerCase(IntToHex(Hash, 8));
}

TIdX509::TIdX509(x509_st* ACert, bool ACanFree) : FX509(ACert), FCanFree(ACanFree) {}

TIdX509::~TIdX509() {
  if (FCanFree && FX509) X509_free(FX509);
}

TIdX509Name TIdX509::Subject() const {
  return FX509 ? NameOf(X509_get_subject_name(FX509)) : TIdX509Name();
}
TIdX509Name TIdX509::Issuer() const {
  return FX509 ? NameOf(X509_get_issuer_name(FX509)) : TIdX509Name();
}

std::u16string TIdX509::SerialNumber() const {
  if (!FX509) return std::u16string();
  BIGNUM* bn = ASN1_INTEGER_to_BN(X509_get0_serialNumber(FX509), nullptr);
  if (!bn) return std::u16string();
  char* hex = BN_bn2hex(bn);
  std::u16string result = hex ? UTF8ToUTF16(hex) : std::u16string();
  OPENSSL_free(hex);
  BN_free(bn);
  return result;
}

long TIdX509::Version() const {
  return FX509 ? X509_get_version(FX509) : 0;
}
int64_t TIdX509::NotBefore() const {
  return FX509 ? TimeOf(X509_get0_notBefore(FX509)) : 0;
}
int64_t TIdX509::NotAfter() const {
  return FX509 ? TimeOf(X509_get0_notAfter(FX509)) : 0;
}
std::u16string TIdX509::NotBeforeText() const {
  return FX509 ? TimeText(X509_get0_notBefore(FX509)) : std::u16string();
}
std::u16string TIdX509::NotAfterText() const {
  return FX509 ? TimeText(X509_get0_notAfter(FX509)) : std::u16string();
}

TIdBytes TIdX509::Fingerprint(TIdSSLDigest ADigest) const {
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  if (!FX509 || X509_digest(FX509, DigestOf(ADigest), md, &len) != 1) return TIdBytes();
  return TIdBytes(md, md + len);
}

std::u16string TIdX509::FingerprintAsString(TIdSSLDigest ADigest) const {
  return HexPairs(Fingerprint(ADigest), u":");
}

TIdBytes TIdX509::Signature() const {
  if (!FX509) return TIdBytes();
  const ASN1_BIT_STRING* sig = nullptr;
  X509_get0_signature(&sig, nullptr, FX509);
  if (!sig) return TIdBytes();
  const unsigned char* data = ASN1_STRING_get0_data(sig);
  return TIdBytes(data, data + ASN1_STRING_length(sig));
}

std::u16string TIdX509::SignatureType() const {
  if (!FX509) return std::u16string();
  return UTF8ToUTF16(OBJ_nid2ln(X509_get_signature_nid(FX509)));
}

TStringList TIdX509::DisplayInfo() const {
  TStringList lines;
  lines.Add(u"Subject: " + Subject().OneLine);
  lines.Add(u"Issuer: " + Issuer().OneLine);
  lines.Add(u"Serial number: " + SerialNumber());
  lines.Add(u"Not before: " + NotBeforeText());
  lines.Add(u"Not after: " + NotAfterText());
  lines.Add(u"SHA-256 fingerprint: " + FingerprintAsString(dgSHA256));
  return lines;
}
