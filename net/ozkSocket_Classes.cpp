#include "net/ozkSocket_Classes.h"

void TozkSocketTLS_Options_Base::Assign(const TPersistent& aSource) {
  if (auto* src = dynamic_cast<const TozkSocketTLS_Options_Base*>(&aSource)) {
    FCertFile = src->FCertFile;
    FKeyFile = src->FKeyFile;
    FPassword = src->FPassword;
    FRootCertFile = src->FRootCertFile;
    FVerifyCertificate = src->FVerifyCertificate;
    FVerifyDepth = src->FVerifyDepth;
    FVersion = src->FVersion;
    return;
  }
  TPersistent::Assign(aSource);
}

void TozkSocketOpenSSL_LegacyProvider_Options::Assign(const TPersistent& aSource) {
  if (auto* src = dynamic_cast<const TozkSocketOpenSSL_LegacyProvider_Options*>(&aSource)) {
    FEnabled = src->FEnabled;
    FLibPath = src->FLibPath;
    FLibPathCustom = src->FLibPathCustom;
    return;
  }
  TPersistent::Assign(aSource);
}

TozkSocketOpenSSL_Options::TozkSocketOpenSSL_Options()
    : FLegacyProvider(std::make_unique<TozkSocketOpenSSL_LegacyProvider_Options>()) {}

TozkSocketOpenSSL_Options::~TozkSocketOpenSSL_Options() = default;

void TozkSocketOpenSSL_Options::Assign(const TPersistent& aSource) {
  if (auto* src = dynamic_cast<const TozkSocketOpenSSL_Options*>(&aSource)) {
    FAPIVersion = src->FAPIVersion;
    FLibPath = src->FLibPath;
    FLibPathCustom = src->FLibPathCustom;
    FUnixSymLinks = src->FUnixSymLinks;
    FCurveList = src->FCurveList;
    FVersionMin = src->FVersionMin;
    return;
  }
  TPersistent::Assign(aSource);
}

void TozkSChannelClient_Options::Assign(const TPersistent& aSource) {
  if (auto* src = dynamic_cast<const TozkSChannelClient_Options*>(&aSource)) {
    FCertHash = src->FCertHash;
    FCertStoreName = src->FCertStoreName;
    FCertStorePath = src->FCertStorePath;
    FCipherList = src->FCipherList;
    FUseLegacyCredentials = src->FUseLegacyCredentials;
    return;
  }
  TPersistent::Assign(aSource);
}

TozkSocketTLS_Options::TozkSocketTLS_Options()
    : FALPNProtocols(std::make_unique<TStringList>()),
      FOpenSSL_Options(std::make_unique<TozkOpenSSLClient_Options>()),
      FSChannel_Options(std::make_unique<TozkSChannelClient_Options>()) {}

TozkSocketTLS_Options::~TozkSocketTLS_Options() = default;

void TozkSocketTLS_Options::Assign(const TPersistent& aSource) {
  if (auto* src = dynamic_cast<const TozkSocketTLS_Options*>(&aSource)) {
    TozkSocketTLS_Options_Base::Assign(aSource);
    FIOHandler = src->FIOHandler;
    FALPNProtocols->Assign(*src->FALPNProtocols);
    FOpenSSL_Options->Assign(*src->FOpenSSL_Options);
    return;
  }
  TozkSocketTLS_Options_Base::Assign(aSource);
}
