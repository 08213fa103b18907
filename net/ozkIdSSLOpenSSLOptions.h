// The TLS handler's options: the enumerations of versions, modes and API levels, the settings of
// a TLS context in one value (TIdSSLSettings) and the option object TIdSSLOptions that holds it.
#pragma once

#include <string>

#include "base/ozkPersistent.h"
#include "net/ozkIdEnumSet.h"

enum TIdSSLVersion {
  sslvSSLv2,
  sslvSSLv23,
  sslvSSLv3,
  sslvTLSv1,
  sslvTLSv1_1,
  sslvTLSv1_2,
  sslvTLSv1_3
};
using TIdSSLVersions = TIdEnumSet<TIdSSLVersion>;
// Every version except sslvSSLv23, which names "any version" rather than one.
inline constexpr TIdSSLVersions IdAllSSLVersions{sslvSSLv2,   sslvSSLv3,   sslvTLSv1,
                                                 sslvTLSv1_1, sslvTLSv1_2, sslvTLSv1_3};

enum TIdSSLMode { sslmUnassigned, sslmClient, sslmServer, sslmBoth };
// Bits 1, 2, 4, 8 of the set are OpenSSL's SSL_VERIFY_PEER, SSL_VERIFY_FAIL_IF_NO_PEER_CERT,
// SSL_VERIFY_CLIENT_ONCE and SSL_VERIFY_POST_HANDSHAKE.
enum TIdSSLVerifyMode {
  sslvrfPeer,
  sslvrfFailIfNoPeerCert,
  sslvrfClientOnce,
  sslvrfVerifyPostHandshake
};
using TIdSSLVerifyModeSet = TIdEnumSet<TIdSSLVerifyMode>;
enum TIdSSLAPIVersion { sslvAPIDefault, sslvAPI_1_0, sslvAPI_1_1, sslvAPI_3_0 };
enum TIdSSLCtxMode { sslCtxClient, sslCtxServer };

// --- Handler options ---------------------------------------------------------------------------

// Every setting of a TLS context, in one value: the handler's options hold it and the context
// it prepares receives a copy of it whole, so no copy can forget a field.
struct TIdSSLSettings {
  std::u16string RootCertFile, CertFile, KeyFile, DHParamsFile;
  TIdSSLVersion Method = sslvTLSv1;
  TIdSSLVersions SSLVersions{sslvTLSv1};
  TIdSSLMode Mode = sslmUnassigned;
  TIdSSLVerifyModeSet VerifyMode;
  int VerifyDepth = 0;
  std::u16string VerifyDirs, CipherList, CurveList;
  // sslvAPIDefault: the process-wide default level (IdOpenSSLAPIVersion).
  TIdSSLAPIVersion APIVersion = sslvAPIDefault;
  bool LegacyProvider = false;

  bool operator==(const TIdSSLSettings&) const = default;
};

// Method and SSLVersions are coupled: setting one recomputes the other (see the setters).
class TIdSSLOptions : public TPersistent {
 public:
  void Assign(const TPersistent& aSource) override;

  const TIdSSLSettings& Settings() const { return FSettings; }

  const std::u16string& RootCertFile() const { return FSettings.RootCertFile; }
  void SetRootCertFile(const std::u16string& aValue) { FSettings.RootCertFile = aValue; }
  const std::u16string& CertFile() const { return FSettings.CertFile; }
  void SetCertFile(const std::u16string& aValue) { FSettings.CertFile = aValue; }
  const std::u16string& KeyFile() const { return FSettings.KeyFile; }
  void SetKeyFile(const std::u16string& aValue) { FSettings.KeyFile = aValue; }
  const std::u16string& DHParamsFile() const { return FSettings.DHParamsFile; }
  void SetDHParamsFile(const std::u16string& aValue) { FSettings.DHParamsFile = aValue; }
  TIdSSLVersion Method() const { return FSettings.Method; }
  // sslvSSLv23 allows every version but itself; any other method allows exactly that version.
  void SetMethod(TIdSSLVersion aValue);
  TIdSSLVersions SSLVersions() const { return FSettings.SSLVersions; }
  // Exactly one real version makes that the method; any other set makes the method sslvSSLv23
  // and loses a sslvSSLv23 member (leaving nothing means every version).
  void SetSSLVersions(TIdSSLVersions aValue);
  TIdSSLMode Mode() const { return FSettings.Mode; }
  void SetMode(TIdSSLMode aValue) { FSettings.Mode = aValue; }
  TIdSSLVerifyModeSet VerifyMode() const { return FSettings.VerifyMode; }
  void SetVerifyMode(TIdSSLVerifyModeSet aValue) { FSettings.VerifyMode = aValue; }
  int VerifyDepth() const { return FSettings.VerifyDepth; }
  void SetVerifyDepth(int aValue) { FSettings.VerifyDepth = aValue; }
  const std::u16string& VerifyDirs() const { return FSettings.VerifyDirs; }
  void SetVerifyDirs(const std::u16string& aValue) { FSettings.VerifyDirs = aValue; }
  const std::u16string& CipherList() const { return FSettings.CipherList; }
  void SetCipherList(const std::u16string& aValue) { FSettings.CipherList = aValue; }
  const std::u16string& CurveList() const { return FSettings.CurveList; }
  void SetCurveList(const std::u16string& aValue) { FSettings.CurveList = aValue; }
  TIdSSLAPIVersion APIVersion() const { return FSettings.APIVersion; }
  void SetAPIVersion(TIdSSLAPIVersion aValue) { FSettings.APIVersion = aValue; }
  bool LegacyProvider() const { return FSettings.LegacyProvider; }
  void SetLegacyProvider(bool aValue) { FSettings.LegacyProvider = aValue; }

 protected:
  TIdSSLSettings FSettings;
};
