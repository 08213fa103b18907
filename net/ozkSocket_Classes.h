// TLS option classes that users set on clients (client certificate, trust store, verification,
// protocol version, ALPN, the OpenSSL library settings and those of the platform's provider),
// with their copy rules. The request executor turns them into settings of the TLS handler.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/ozkPersistent.h"
#include "base/ozkStringList.h"

enum TwsTLSVersions { tlsUndefined, tls1_0, tls1_1, tls1_2, tls1_3 };
enum TwsTLSIOHandler { iohOpenSSL, iohSChannel };
enum TwsOpenSSLAPI { oslAPI_1_0, oslAPI_1_1, oslAPI_3_0 };
enum TwsOpenSSLLibPath { oslpNone, oslpDefaultFolder, oslpCustomPath };
enum TwsOpenSSLSymLinks {
  oslsSymLinksDefault,
  oslsSymLinksLoadFirst,
  oslsSymLinksLoad,
  oslsSymLinksDontLoad
};

// Certificate, key, trust store and verification settings shared by every TLS provider.
// Assign copies the seven values from any TozkSocketTLS_Options_Base.
class TozkSocketTLS_Options_Base : public TPersistent {
 public:
  void Assign(const TPersistent& aSource) override;

  const std::u16string& CertFile() const { return FCertFile; }
  void SetCertFile(const std::u16string& aValue) { FCertFile = aValue; }
  const std::u16string& KeyFile() const { return FKeyFile; }
  void SetKeyFile(const std::u16string& aValue) { FKeyFile = aValue; }
  // Password of an encrypted key file or of a PKCS#12 file.
  const std::u16string& Password() const { return FPassword; }
  void SetPassword(const std::u16string& aValue) { FPassword = aValue; }
  const std::u16string& RootCertFile() const { return FRootCertFile; }
  void SetRootCertFile(const std::u16string& aValue) { FRootCertFile = aValue; }
  bool VerifyCertificate() const { return FVerifyCertificate; }
  void SetVerifyCertificate(bool aValue) { FVerifyCertificate = aValue; }
  int32_t VerifyDepth() const { return FVerifyDepth; }
  void SetVerifyDepth(int32_t aValue) { FVerifyDepth = aValue; }
  TwsTLSVersions Version() const { return FVersion; }
  void SetVersion(TwsTLSVersions aValue) { FVersion = aValue; }

 protected:
  std::u16string FCertFile;
  std::u16string FKeyFile;
  std::u16string FPassword;
  std::u16string FRootCertFile;
  bool FVerifyCertificate = false;
  int32_t FVerifyDepth = 0;
  TwsTLSVersions FVersion = tlsUndefined;
};

// Where OpenSSL 3's "legacy" provider is taken from, and whether it is loaded.
class TozkSocketOpenSSL_LegacyProvider_Options : public TPersistent {
 public:
  void Assign(const TPersistent& aSource) override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool aValue) { FEnabled = aValue; }
  TwsOpenSSLLibPath LibPath() const { return FLibPath; }
  void SetLibPath(TwsOpenSSLLibPath aValue) { FLibPath = aValue; }
  const std::u16string& LibPathCustom() const { return FLibPathCustom; }
  void SetLibPathCustom(const std::u16string& aValue) { FLibPathCustom = aValue; }

 protected:
  bool FEnabled = false;
  TwsOpenSSLLibPath FLibPath = oslpNone;
  std::u16string FLibPathCustom;
};

// OpenSSL library settings. Assign copies everything but LegacyProvider, which is copied only
// through its own setter.
class TozkSocketOpenSSL_Options : public TPersistent {
 public:
  TozkSocketOpenSSL_Options();
  ~TozkSocketOpenSSL_Options() override;
  void Assign(const TPersistent& aSource) override;

  TwsOpenSSLAPI APIVersion() const { return FAPIVersion; }
  void SetAPIVersion(TwsOpenSSLAPI aValue) { FAPIVersion = aValue; }
  TwsOpenSSLLibPath LibPath() const { return FLibPath; }
  void SetLibPath(TwsOpenSSLLibPath aValue) { FLibPath = aValue; }
  const std::u16string& LibPathCustom() const { return FLibPathCustom; }
  void SetLibPathCustom(const std::u16string& aValue) { FLibPathCustom = aValue; }
  TozkSocketOpenSSL_LegacyProvider_Options& LegacyProvider() const { return *FLegacyProvider; }
  void SetLegacyProvider(const TozkSocketOpenSSL_LegacyProvider_Options& aValue) {
    FLegacyProvider->Assign(aValue);
  }
  const std::u16string& CurveList() const { return FCurveList; }
  void SetCurveList(const std::u16string& aValue) { FCurveList = aValue; }
  TwsOpenSSLSymLinks UnixSymLinks() const { return FUnixSymLinks; }
  void SetUnixSymLinks(TwsOpenSSLSymLinks aValue) { FUnixSymLinks = aValue; }
  TwsTLSVersions VersionMin() const { return FVersionMin; }
  void SetVersionMin(TwsTLSVersions aValue) { FVersionMin = aValue; }

 protected:
  TwsOpenSSLAPI FAPIVersion = oslAPI_1_0;
  TwsOpenSSLLibPath FLibPath = oslpNone;
  std::u16string FLibPathCustom;
  std::unique_ptr<TozkSocketOpenSSL_LegacyProvider_Options> FLegacyProvider;
  std::u16string FCurveList;
  TwsOpenSSLSymLinks FUnixSymLinks = oslsSymLinksDefault;
  TwsTLSVersions FVersionMin = tlsUndefined;
};

class TozkOpenSSLClient_Options : public TozkSocketOpenSSL_Options {};

// Settings of the platform's own TLS provider; carried and copied only.
class TozkSChannelClient_Options : public TPersistent {
 public:
  void Assign(const TPersistent& aSource) override;

  const std::u16string& CertHash() const { return FCertHash; }
  void SetCertHash(const std::u16string& aValue) { FCertHash = aValue; }
  const std::u16string& CertStoreName() const { return FCertStoreName; }
  void SetCertStoreName(const std::u16string& aValue) { FCertStoreName = aValue; }
  const std::u16string& CertStorePath() const { return FCertStorePath; }
  void SetCertStorePath(const std::u16string& aValue) { FCertStorePath = aValue; }
  const std::u16string& CipherList() const { return FCipherList; }
  void SetCipherList(const std::u16string& aValue) { FCipherList = aValue; }
  bool UseLegacyCredentials() const { return FUseLegacyCredentials; }
  void SetUseLegacyCredentials(bool aValue) { FUseLegacyCredentials = aValue; }

 protected:
  std::u16string FCertHash;
  std::u16string FCertStoreName;
  std::u16string FCertStorePath;
  std::u16string FCipherList;
  bool FUseLegacyCredentials = false;
};

// TLS options of a client. Assign from another TozkSocketTLS_Options copies the base values,
// IOHandler, the ALPN list and the OpenSSL options (the SChannel options stay); any other
// source goes to the base class's copy.
class TozkSocketTLS_Options : public TozkSocketTLS_Options_Base {
 public:
  TozkSocketTLS_Options();
  ~TozkSocketTLS_Options() override;
  void Assign(const TPersistent& aSource) override;

  // ALPN protocol names offered by the client, in order of preference.
  TStringList& ALPNProtocols() const { return *FALPNProtocols; }
  void SetALPNProtocols(const TStringList& aValue) { FALPNProtocols->Assign(aValue); }
  TwsTLSIOHandler IOHandler() const { return FIOHandler; }
  void SetIOHandler(TwsTLSIOHandler aValue) { FIOHandler = aValue; }
  TozkOpenSSLClient_Options& OpenSSL_Options() const { return *FOpenSSL_Options; }
  void SetOpenSSL_Options(const TozkOpenSSLClient_Options& aValue) {
    FOpenSSL_Options->Assign(aValue);
  }
  TozkSChannelClient_Options& SChannel_Options() const { return *FSChannel_Options; }
  void SetSChannel_Options(const TozkSChannelClient_Options& aValue) {
    FSChannel_Options->Assign(aValue);
  }

 protected:
  std::unique_ptr<TStringList> FALPNProtocols;
  TwsTLSIOHandler FIOHandler = iohOpenSSL;
  std::unique_ptr<TozkOpenSSLClient_Options> FOpenSSL_Options;
  std::unique_ptr<TozkSChannelClient_Options> FSChannel_Options;
};

class TozkTCPTLS_Options : public TozkSocketTLS_Options {};
