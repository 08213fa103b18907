// TIdSSLOptions, the process-wide OpenSSL state, the OpenSSL callbacks and TIdSSLContext.
#include "net/ozkIdSSLOpenSSLContext.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/provider.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "base/ozkException.h"
#include "base/ozkFileUtils.h"
#include "base/ozkFormat.h"
#include "base/ozkText.h"
#include "net/ozkIdSSLOpenSSLInternal.h"
#include "net/ozkIdSSLOpenSSLX509.h"
#include "net/ozkSocket_Classes.h"

// --- TIdSSLOptions -----------------------------------------------------------------------------

void TIdSSLOptions::Assign(const TPersistent& aSource) {
  if (auto* src = dynamic_cast<const TIdSSLOptions*>(&aSource)) {
    FSettings = src->FSettings;
    return;
  }
  TPersistent::Assign(aSource);
}

void TIdSSLOptions::SetMethod(TIdSSLVersion aValue) {
  FSettings.Method = aValue;
  FSettings.SSLVersions = aValue == sslvSSLv23 ? IdAllSSLVersions : TIdSSLVersions{aValue};
}

void TIdSSLOptions::SetSSLVersions(TIdSSLVersions aValue) {
  TIdSSLVersions& versions = FSettings.SSLVersions;
  versions = aValue;
  if (aValue.Count() == 1 && !aValue.Contains(sslvSSLv23)) {
    for (TIdSSLVersion v : {sslvSSLv2, sslvSSLv3, sslvTLSv1, sslvTLSv1_1, sslvTLSv1_2, sslvTLSv1_3})
      if (aValue.Contains(v)) FSettings.Method = v;
    return;
  }
  FSettings.Method = sslvSSLv23;
  if (versions.Contains(sslvSSLv23)) {
    versions.Exclude(sslvSSLv23);
    if (versions.Empty()) versions = IdAllSSLVersions;
  }
}

// --- Process-wide state ------------------------------------------------------------------------

namespace {

std::atomic<TIdSSLAPIVersion> GAPIVersion{sslvAPI_1_0};
std::mutex GPathLock;
std::u16string GLibPath;
std::u16string GLegacyProviderLibPath;

std::mutex GLoadLock;
bool GLoaded = false;
std::atomic<unsigned long> GVersionNum{0};

// The callbacks of all connections are serialised, one lock per kind.
std::mutex GPasswordLock;
std::mutex GStatusLock;
std::mutex GVerifyLock;

std::u16string WithTrailingDelimiter(const std::u16string& APath) {
  if (APath.empty() || APath.back() == u'/') return APath;
  return APath + u"/";
}

bool IsLevel11Or30(TIdSSLAPIVersion ALevel) {
  return ALevel == sslvAPI_1_1 || ALevel == sslvAPI_3_0;
}

struct TStoreFree {
  void operator()(X509_STORE* s) const { X509_STORE_free(s); }
};

// The system trust store, loaded once and shared (reference-counted) by every context that
// adds no trusted certificates of its own: loading it is the expensive part of a context.
X509_STORE* SharedDefaultStore() {
  static std::once_flag once;
  static std::unique_ptr<X509_STORE, TStoreFree> store;
  std::call_once(once, [] {
    store.reset(X509_STORE_new());
    if (store) X509_STORE_set_default_paths(store.get());
    ERR_clear_error(); // a missing default file or folder is not an error of the caller
  });
  return store.get();
}

struct TProviderUnload {
  void operator()(OSSL_PROVIDER* p) const { OSSL_PROVIDER_unload(p); }
};

// Loads the "legacy" and "default" providers into the default library context once. The
// configured folder is tried first; a folder without the module falls back to the library's
// own module folder, since a process-wide search path that finds nothing would only make every
// later legacy algorithm fail.
void LoadLegacyProviders() {
  static std::mutex lock;
  static std::unique_ptr<OSSL_PROVIDER, TProviderUnload> legacy, deflt;
  std::lock_guard<std::mutex> guard(lock);
  if (legacy && deflt) return;
  std::string folder = UTF16ToUTF8(IdOpenSSLLegacyProviderLibPath());
  if (!legacy) {
    if (!folder.empty()) {
      OSSL_PROVIDER_set_default_search_path(nullptr, folder.c_str());
      legacy.reset(OSSL_PROVIDER_load(nullptr, "legacy"));
    }
    if (!legacy) {
      OSSL_PROVIDER_set_default_search_path(nullptr, nullptr);
      legacy.reset(OSSL_PROVIDER_load(nullptr, "legacy"));
    }
  }
  if (!deflt) deflt.reset(OSSL_PROVIDER_load(nullptr, "default"));
  ERR_clear_error();
}

// Reads a whole file; on failure queues OpenSSL's system error so that the caller's message
// carries the reason.
bool ReadWholeFile(const std::u16string& AFileName, std::string& VData) {
  std::string name = UTF16ToUTF8(AFileName);
  std::ifstream in(name, std::ios::binary);
  if (!in) {
    int err = errno ? errno : ENOENT;
    ERR_raise_data(ERR_LIB_SYS, err, "calling fopen(%s, rb)", name.c_str());
    return false;
  }
  VData.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

struct TBioFree {
  void operator()(BIO* b) const { BIO_free(b); }
};
using TBioPtr = std::unique_ptr<BIO, TBioFree>;
struct TX509Free {
  void operator()(X509* x) const { X509_free(x); }
};
using TX509Ptr = std::unique_ptr<X509, TX509Free>;
struct TPKeyFree {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
using TPKeyPtr = std::unique_ptr<EVP_PKEY, TPKeyFree>;

TBioPtr MemBio(const std::string& AData) {
  return TBioPtr(BIO_new_mem_buf(AData.data(), static_cast<int>(AData.size())));
}

// Adds the certificates of a PEM file and the hashed-certificate folders of AVerifyDirs to
// AStore. False with the reason queued when the file cannot be read, holds no certificate or a
// certificate is refused, or the folders are refused.
bool AddTrustedCertificates(X509_STORE* AStore, const std::u16string& ARootCertFile,
                            const std::u16string& AVerifyDirs) {
  if (!ARootCertFile.empty()) {
    std::string data;
    if (!ReadWholeFile(ARootCertFile, data)) return false;
    TBioPtr bio = MemBio(data);
    int added = 0;
    while (X509* x = PEM_read_bio_X509_AUX(bio.get(), nullptr, nullptr, nullptr)) {
      TX509Ptr cert(x);
      if (X509_STORE_add_cert(AStore, cert.get()) != 1) return false;
      ++added;
    }
    if (added == 0) return false;
    ERR_clear_error(); // the end of the PEM data is reported as an error
  }
  if (!AVerifyDirs.empty() && X509_STORE_load_path(AStore, UTF16ToUTF8(AVerifyDirs).c_str()) != 1)
    return false;
  return true;
}

// Trust stores composed of the system's default store and a root file and/or verify folders,
// built once per (file, folders) and shared by every context that names the same ones: like
// the default store, loading them is the expensive part of a context, and a client creates a
// context per request. An entry is rebuilt when the file's identity, size or modification time
// changes; a failed build is not kept, so the next context tries again and fails the same way.
class TComposedStoreCache {
 public:
  using TStorePtr = std::unique_ptr<X509_STORE, TStoreFree>;

  // A reference of the caller's own to the store, or none with the reason in the calling
  // thread's error queue.
  TStorePtr Get(const std::u16string& ARootCertFile, const std::u16string& AVerifyDirs) {
    TFileSignature signature;
    if (!ARootCertFile.empty()) {
      struct stat st {};
      // Without a file to look at there is nothing to cache: the build fails with the reason,
      // as it always did.
      if (::stat(UTF16ToUTF8(ARootCertFile).c_str(), &st) != 0)
        return Build(ARootCertFile, AVerifyDirs);
      signature = {st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
    }
    std::lock_guard<std::mutex> guard(FLock);
    const TKey key{ARootCertFile, AVerifyDirs};
    auto it = FEntries.find(key);
    if (it == FEntries.end() || !(it->second.Signature == signature)) {
      TStorePtr store = Build(ARootCertFile, AVerifyDirs);
      if (!store) {
        if (it != FEntries.end()) FEntries.erase(it); // its file is not what it was
        return nullptr;
      }
      // Contexts still using a replaced store hold their own references to it.
      TEntry& entry = FEntries[key];
      entry.Signature = signature;
      entry.Store = std::move(store);
      it = FEntries.find(key);
    }
    X509_STORE_up_ref(it->second.Store.get());
    return TStorePtr(it->second.Store.get());
  }

 private:
  struct TFileSignature {
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    time_t MTimeSec = 0;
    long MTimeNSec = 0;
    bool operator==(const TFileSignature&) const = default;
  };
  using TKey = std::pair<std::u16string, std::u16string>;
  struct TEntry {
    TFileSignature Signature;
    TStorePtr Store;
  };

  // The composition a context has always trusted: the default paths, then the file's
  // certificates and the folders.
  static TStorePtr Build(const std::u16string& ARootCertFile, const std::u16string& AVerifyDirs) {
    TStorePtr store(X509_STORE_new());
    if (!store) return nullptr;
    X509_STORE_set_default_paths(store.get());
    ERR_clear_error(); // a missing default file or folder is not an error of the caller
    if (!AddTrustedCertificates(store.get(), ARootCertFile, AVerifyDirs)) return nullptr;
    return store;
  }

  std::mutex FLock;
  std::map<TKey, TEntry> FEntries;
};

TComposedStoreCache& ComposedStores() {
  static TComposedStoreCache cache;
  return cache;
}

bool IsPKCS12FileName(const std::u16string& AFileName) {
  std::u16string ext = ExtractFileExt(AFileName);
  return SameText(ext, u".p12") || SameText(ext, u".pfx");
}

// The parts of a PKCS#12 file; the password comes from the password callback.
struct TPKCS12Parts {
  TPKeyPtr Key;
  TX509Ptr Cert;
};

extern "C" int TLSPasswordCallback(char* buf, int size, int rwflag, void* userdata);

bool ReadPKCS12(TIdSSLContext* AContext, const std::u16string& AFileName, TPKCS12Parts& VParts) {
  std::string data;
  if (!ReadWholeFile(AFileName, data)) return false;
  TBioPtr bio = MemBio(data);
  std::unique_ptr<PKCS12, void (*)(PKCS12*)> p12(d2i_PKCS12_bio(bio.get(), nullptr), PKCS12_free);
  if (!p12) return false;
  char pass[PEM_BUFSIZE];
  int len = TLSPasswordCallback(pass, sizeof(pass), 0, AContext);
  pass[std::max(len, 0)] = 0;
  EVP_PKEY* key = nullptr;
  X509* cert = nullptr;
  STACK_OF(X509)* ca = nullptr;
  int ok = PKCS12_parse(p12.get(), pass, &key, &cert, &ca);
  OPENSSL_cleanse(pass, sizeof(pass));
  sk_X509_pop_free(ca, X509_free);
  VParts.Key.reset(key);
  VParts.Cert.reset(cert);
  return ok == 1;
}

// Handed to OpenSSL as the ALPN selection of server contexts: the first of the server's
// protocols that the client offers.
extern "C" int ServerALPNSelect(SSL*, const unsigned char** out, unsigned char* outlen,
                                const unsigned char* in, unsigned int inlen, void* arg) {
  auto* wire = static_cast<TIdBytes*>(arg);
  unsigned char* selected = nullptr;
  if (SSL_select_next_proto(&selected, outlen, wire->data(), static_cast<unsigned>(wire->size()),
                            in, inlen) != OPENSSL_NPN_NEGOTIATED)
    return SSL_TLSEXT_ERR_NOACK;
  *out = selected;
  return SSL_TLSEXT_ERR_OK;
}

} // namespace

TIdSocketErrorKeeper::TIdSocketErrorKeeper() : FSaved(errno) {}
TIdSocketErrorKeeper::~TIdSocketErrorKeeper() {
  errno = FSaved;
}

void IdOpenSSLSetAPIVersion(TIdSSLAPIVersion AVersion) {
  if (AVersion != sslvAPIDefault) GAPIVersion = AVersion;
}
TIdSSLAPIVersion IdOpenSSLAPIVersion() {
  return GAPIVersion.load();
}

void IdOpenSSLSetLibPath(const std::u16string& APath) {
  std::lock_guard<std::mutex> guard(GPathLock);
  GLibPath = WithTrailingDelimiter(APath);
}
std::u16string IdOpenSSLLibPath() {
  std::lock_guard<std::mutex> guard(GPathLock);
  return GLibPath;
}
void IdOpenSSLSetLegacyProviderLibPath(const std::u16string& APath) {
  std::lock_guard<std::mutex> guard(GPathLock);
  GLegacyProviderLibPath = WithTrailingDelimiter(APath);
}
std::u16string IdOpenSSLLegacyProviderLibPath() {
  std::lock_guard<std::mutex> guard(GPathLock);
  return GLegacyProviderLibPath;
}

std::u16string IdExecutableFolder() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0) return std::u16string();
  return ExtractFilePath(UTF8ToUTF16(std::string_view(buf, static_cast<size_t>(n))));
}

TIdSSLAPIVersion IdSSLAPIVersionOf(TwsOpenSSLAPI AVersion) {
  switch (AVersion) {
  case oslAPI_1_0:
    return sslvAPI_1_0;
  case oslAPI_1_1:
    return sslvAPI_1_1;
  case oslAPI_3_0:
    return sslvAPI_3_0;
  }
  return sslvAPIDefault;
}

void IdOpenSSLApplyLibraryOptions(const TozkSocketOpenSSL_Options& AOptions) {
  if (AOptions.LibPath() == oslpDefaultFolder)
    IdOpenSSLSetLibPath(IdExecutableFolder());
  else if (AOptions.LibPath() == oslpCustomPath)
    IdOpenSSLSetLibPath(AOptions.LibPathCustom());
  const auto& legacy = AOptions.LegacyProvider();
  IdOpenSSLSetLegacyProviderLibPath(legacy.LibPath() == oslpCustomPath ? legacy.LibPathCustom()
                                                                       : IdExecutableFolder());
}

bool LoadTLSLibrary() {
  std::lock_guard<std::mutex> guard(GLoadLock);
  if (GLoaded) return true;
  // The library is linked, so loading is its initialisation. The 1.0 level asks for the
  // cipher, digest and error-string tables that its initialisation calls set up.
  bool ok;
  if (GAPIVersion.load() == sslvAPI_1_0)
    ok = OPENSSL_init_crypto(OPENSSL_INIT_ADD_ALL_CIPHERS | OPENSSL_INIT_ADD_ALL_DIGESTS |
                                 OPENSSL_INIT_LOAD_CRYPTO_STRINGS,
                             nullptr) == 1 &&
         OPENSSL_init_ssl(OPENSSL_INIT_LOAD_SSL_STRINGS, nullptr) == 1;
  else
    ok = OPENSSL_init_ssl(0, nullptr) == 1;
  if (!ok) {
    ERR_clear_error();
    return false;
  }
  GVersionNum = OpenSSL_version_num();
  GLoaded = true;
  return true;
}

unsigned long IdOpenSSLVersionNum() {
  return GVersionNum.load();
}

// --- OpenSSL callbacks -------------------------------------------------------------------------

namespace {

extern "C" int TLSPasswordCallback(char* buf, int size, int rwflag, void* userdata) {
  TIdSocketErrorKeeper keepErrno;
  std::lock_guard<std::mutex> guard(GPasswordLock);
  if (!buf || size <= 0) return 0;
  std::memset(buf, 0, static_cast<size_t>(size));
  auto* context = static_cast<TIdSSLContext*>(userdata);
  if (!context || !context->Parent) return 0;
  try {
    TIdBytes pass =
        TextToBytes(context->Parent->GetPassword(rwflag != 0), TextEncodingOfKind(tekOSDefault));
    int n = std::min(static_cast<int>(pass.size()), size - 1);
    std::memcpy(buf, pass.data(), static_cast<size_t>(n));
    OPENSSL_cleanse(pass.data(), pass.size());
    return n;
  } catch (...) {
    return 0; // an exception must not cross OpenSSL's C frames
  }
}

std::u16string StatusType(int AWhere, int ARet) {
  if (AWhere & SSL_CB_ALERT) {
    const char* fmt = (AWhere & SSL_CB_READ)    ? "%s Read Alert"
                      : (AWhere & SSL_CB_WRITE) ? "%s Write Alert"
                                                : "%s Alert";
    return Format(UTF8ToUTF16(fmt), SSL_alert_type_string_long(ARet));
  }
  if (AWhere & SSL_CB_HANDSHAKE_START) return u"Handshake Start";
  if (AWhere & SSL_CB_HANDSHAKE_DONE) return u"Handshake Done";
  std::u16string side = (AWhere & SSL_ST_ACCEPT) ? u"Accept" : u"Connect";
  if (AWhere & SSL_CB_LOOP) return side + u" Loop";
  if (AWhere & SSL_CB_EXIT) {
    if (ARet == 0) return side + u" Failed";
    if (ARet < 0) return side + u" Error";
    return side + u" Exit";
  }
  return std::u16string();
}

extern "C" void TLSInfoCallback(const SSL* ssl, int where, int ret) {
  TIdSocketErrorKeeper keepErrno;
  std::lock_guard<std::mutex> guard(GStatusLock);
  auto* socket = static_cast<TIdSSLSocket*>(SSL_get_app_data(ssl));
  if (!socket || !socket->fSSLContext || !socket->fSSLContext->Parent) return;
  try {
    std::u16string state = UTF8ToUTF16(SSL_state_string_long(ssl));
    std::u16string msg =
        (where & SSL_CB_ALERT) ? UTF8ToUTF16(SSL_alert_desc_string_long(ret)) : state;
    socket->fSSLContext->Parent->StatusInfoEx(ssl, where, ret, u"SSL status: \"" + state + u"\"",
                                              StatusType(where, ret), msg);
  } catch (...) {
  }
}

extern "C" int TLSVerifyCallback(int ok, X509_STORE_CTX* ctx) {
  std::lock_guard<std::mutex> guard(GVerifyLock);
  try {
    auto* ssl =
        static_cast<SSL*>(X509_STORE_CTX_get_ex_data(ctx, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto* socket = ssl ? static_cast<TIdSSLSocket*>(SSL_get_app_data(ssl)) : nullptr;
    if (!socket || !socket->fSSLContext || !socket->fSSLContext->Parent) return ok;
    TIdX509 cert(X509_STORE_CTX_get_current_cert(ctx), false);
    int error = X509_STORE_CTX_get_error(ctx);
    int depth = X509_STORE_CTX_get_error_depth(ctx);
    bool verdict = ok != 0 && depth <= socket->fSSLContext->Settings.VerifyDepth;
    return socket->fSSLContext->Parent->VerifyPeer(&cert, verdict, depth, error) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

} // namespace

// --- TIdSSLContext -----------------------------------------------------------------------------

TIdSSLContext::TIdSSLContext() {
  if (!LoadTLSLibrary()) throw EIdOSSLCouldNotLoadSSLLibrary(IdSSLMsg::CouldNotLoadSSLLibrary);
}

TIdSSLContext::~TIdSSLContext() {
  DestroyContext();
}

void TIdSSLContext::DestroyContext() {
  if (!fContext) return;
  if (fStatusInfoOn) SSL_CTX_set_info_callback(fContext, nullptr);
  SSL_CTX_free(fContext);
  fContext = nullptr;
}

TIdSSLMethodChoice TIdSSLContext::SelectTLSMethod(TIdSSLVersion AMethod) {
  if (Settings.Mode == sslmUnassigned) throw EIdOSSLModeNotSet(IdSSLMsg::ModeNotSet);
  if (IsLevel11Or30(APILevel()) &&
      (AMethod == sslvSSLv2 || AMethod == sslvSSLv23 || AMethod == sslvSSLv3))
    AMethod = sslvTLSv1_2;
  TIdSSLMethodChoice choice;
  choice.Method = Settings.Mode == sslmClient   ? TLS_client_method()
                  : Settings.Mode == sslmServer ? TLS_server_method()
                                                : TLS_method();
  // The linked release has only the version-flexible method; a fixed-version method is that
  // method bounded to its one version.
  switch (AMethod) {
  // NOLINTNEXTLINE(bugprone-branch-clone): SSLv3 is like SSLv2 only where the build has no SSLv3
  case sslvSSLv2:
    choice.Method = nullptr;
    break; // no SSLv2 method exists in this release
  case sslvSSLv3:
#ifdef OPENSSL_NO_SSL3_METHOD
    choice.Method = nullptr;
#else
    choice.FixedVersion = SSL3_VERSION;
#endif
    break;
  case sslvSSLv23:
    break;
  case sslvTLSv1:
    choice.FixedVersion = TLS1_VERSION;
    break;
  case sslvTLSv1_1:
    choice.FixedVersion = TLS1_1_VERSION;
    break;
  case sslvTLSv1_2:
    choice.FixedVersion = TLS1_2_VERSION;
    break;
  case sslvTLSv1_3:
    break;
  }
  if (!choice.Method) throw EIdOSSLGetMethodError(IdSSLMsg::GetMethodError);
  return choice;
}

TIdSSLAPIVersion TIdSSLContext::APILevel() const {
  return Settings.APIVersion != sslvAPIDefault ? Settings.APIVersion : IdOpenSSLAPIVersion();
}

int TIdSSLContext::MinProtocolVersion(TIdSSLVersions AVersions) {
  if (AVersions.Contains(sslvTLSv1_1)) return TLS1_1_VERSION;
  if (AVersions.Contains(sslvTLSv1_2)) return TLS1_2_VERSION;
  if (AVersions.Contains(sslvTLSv1_3)) return TLS1_3_VERSION;
  return TLS1_VERSION;
}

int TIdSSLContext::MaxProtocolVersion(unsigned long AVersionNum) {
  return AVersionNum >= 0x1010100FUL ? TLS1_3_VERSION : TLS1_2_VERSION;
}

void TIdSSLContext::SetUpContext(TIdSSLCtxMode ACtxMode) {
  DestroyContext();
  fCtxMode = ACtxMode;
  if (Settings.Mode == sslmUnassigned)
    Settings.Mode = ACtxMode == sslCtxServer ? sslmServer : sslmClient;

  TIdSSLMethodChoice choice = SelectTLSMethod(Settings.Method);
  fContext = SSL_CTX_new(choice.Method);
  if (!fContext) RaiseCryptoError<EIdOSSLCreatingContextError>(IdSSLMsg::CreatingContextError);
  if (choice.FixedVersion != 0) {
    SSL_CTX_set_min_proto_version(fContext, choice.FixedVersion);
    SSL_CTX_set_max_proto_version(fContext, choice.FixedVersion);
  }

  struct TVersionOption {
    TIdSSLVersion Version;
    uint64_t Option;
  };
  // SSLv2 and SSLv3 have no methods in this release, so their options are left alone.
  static const TVersionOption versionOptions[] = {{sslvTLSv1, SSL_OP_NO_TLSv1},
                                                  {sslvTLSv1_1, SSL_OP_NO_TLSv1_1},
                                                  {sslvTLSv1_2, SSL_OP_NO_TLSv1_2},
                                                  {sslvTLSv1_3, SSL_OP_NO_TLSv1_3}};
  for (const auto& vo : versionOptions) {
    if (Settings.SSLVersions.Contains(vo.Version)) {
      if (Settings.Method == sslvSSLv23) SSL_CTX_clear_options(fContext, vo.Option);
    } else {
      SSL_CTX_set_options(fContext, vo.Option);
    }
  }

  // A fixed-version method ignores protocol limits, as the releases that had them did.
  if (IsLevel11Or30(APILevel()) && choice.FixedVersion == 0) {
    SSL_CTX_set_min_proto_version(fContext, MinProtocolVersion(Settings.SSLVersions));
    SSL_CTX_set_max_proto_version(fContext, MaxProtocolVersion(IdOpenSSLVersionNum()));
  }

  SSL_CTX_set_mode(fContext, SSL_MODE_AUTO_RETRY);
  SSL_CTX_set_default_passwd_cb(fContext, TLSPasswordCallback);
  SSL_CTX_set_default_passwd_cb_userdata(fContext, this);
  // The system's default trust store, always; with trusted certificates of the context's own
  // it arrives below with them, as one composed store.
  if (Settings.RootCertFile.empty() && Settings.VerifyDirs.empty()) {
    X509_STORE* shared = SharedDefaultStore();
    if (shared) SSL_CTX_set1_cert_store(fContext, shared);
  }
  ERR_clear_error();

  if (APILevel() == sslvAPI_3_0 && Settings.LegacyProvider) LoadLegacyProviders();

  if (!Settings.RootCertFile.empty() || !Settings.VerifyDirs.empty()) {
    if (!LoadRootCert())
      RaiseCryptoError<EIdOSSLLoadingRootCertError>(IdSSLMsg::LoadingRootCertError);
  }
  if (!Settings.CertFile.empty() && !LoadCert())
    RaiseCryptoError<EIdOSSLLoadingCertError>(IdSSLMsg::LoadingCertError);
  if (!Settings.KeyFile.empty() && !LoadKey())
    RaiseCryptoError<EIdOSSLLoadingKeyError>(IdSSLMsg::LoadingKeyError);
  if (!Settings.DHParamsFile.empty() && !LoadDHParams())
    RaiseCryptoError<EIdOSSLLoadingDHParamsError>(IdSSLMsg::LoadingDHParamsError);

  if (fStatusInfoOn) SSL_CTX_set_info_callback(fContext, TLSInfoCallback);

  if (!Settings.CipherList.empty() &&
      SSL_CTX_set_cipher_list(fContext, UTF16ToUTF8(Settings.CipherList).c_str()) < 1) {
    ERR_clear_error();
    throw EIdOSSLSettingCipherError(IdSSLMsg::SettingCipherError);
  }

  if (!Settings.VerifyMode.Empty()) {
    SSL_CTX_set_verify(fContext, static_cast<int>(Settings.VerifyMode.Bits()),
                       fVerifyOn ? TLSVerifyCallback : nullptr);
    SSL_CTX_set_verify_depth(fContext, Settings.VerifyDepth);
  }

  if (ACtxMode == sslCtxServer) {
    unsigned char sid[4];
    std::memcpy(sid, &fSessionId, sizeof(sid));
    SSL_CTX_set_session_id_context(fContext, sid, sizeof(sid));
  }

  // Only a server sends a client CA list. Loading it parses every certificate of the file,
  // public keys included (with OpenSSL 3 about 0.15 ms of CPU for a file of one certificate,
  // more than the rest of the context set-up): a client, which makes a context per request,
  // would pay that for nothing.
  if (!Settings.RootCertFile.empty() && ACtxMode == sslCtxServer) {
    STACK_OF(X509_NAME)* names =
        SSL_load_client_CA_file(UTF16ToUTF8(Settings.RootCertFile).c_str());
    if (names) SSL_CTX_set_client_CA_list(fContext, names);
    ERR_clear_error();
  }

  if (!Settings.CurveList.empty() &&
      SSL_CTX_set1_curves_list(fContext, UTF16ToUTF8(Settings.CurveList).c_str()) < 1) {
    ERR_clear_error();
    throw EIdOSSLSettingCurveListError(IdSSLMsg::SettingCurveListError);
  }

  if (ACtxMode == sslCtxClient) {
    ApplyALPNProtocols();
  } else {
    FServerALPN = ALPNWireList(FALPNProtocols);
    if (!FServerALPN.empty()) SSL_CTX_set_alpn_select_cb(fContext, ServerALPNSelect, &FServerALPN);
  }
}

bool TIdSSLContext::LoadRootCert() {
  if (!fContext) return false;
  // The stores are shared, so nothing is ever added to the one a context holds: the context
  // gets the composed store of its files instead.
  if (Settings.RootCertFile.empty() && Settings.VerifyDirs.empty()) {
    X509_STORE* shared = SharedDefaultStore();
    if (!shared) return false;
    SSL_CTX_set1_cert_store(fContext, shared);
    return true;
  }
  TComposedStoreCache::TStorePtr store =
      ComposedStores().Get(Settings.RootCertFile, Settings.VerifyDirs);
  if (!store) return false;
  SSL_CTX_set1_cert_store(fContext, store.get());
  return true;
}

bool TIdSSLContext::LoadCert() {
  if (IsPKCS12FileName(Settings.CertFile)) {
    TPKCS12Parts parts;
    if (!ReadPKCS12(this, Settings.CertFile, parts) || !parts.Cert) return false;
    return SSL_CTX_use_certificate(fContext, parts.Cert.get()) == 1;
  }
  std::string data;
  if (!ReadWholeFile(Settings.CertFile, data)) return false;
  TBioPtr bio = MemBio(data);
  TX509Ptr cert(PEM_read_bio_X509_AUX(bio.get(), nullptr, TLSPasswordCallback, this));
  if (!cert || SSL_CTX_use_certificate(fContext, cert.get()) != 1) return false;
  SSL_CTX_clear_chain_certs(fContext);
  while (X509* x = PEM_read_bio_X509(bio.get(), nullptr, TLSPasswordCallback, this)) {
    if (SSL_CTX_add0_chain_cert(fContext, x) != 1) {
      X509_free(x);
      return false;
    }
  }
  ERR_clear_error(); // the end of the PEM data is reported as an error
  return true;
}

bool TIdSSLContext::LoadKey() {
  if (IsPKCS12FileName(Settings.KeyFile)) {
    TPKCS12Parts parts;
    if (!ReadPKCS12(this, Settings.KeyFile, parts) || !parts.Key) return false;
    if (SSL_CTX_use_PrivateKey(fContext, parts.Key.get()) != 1) return false;
  } else {
    std::string data;
    if (!ReadWholeFile(Settings.KeyFile, data)) return false;
    TBioPtr bio = MemBio(data);
    TPKeyPtr key(PEM_read_bio_PrivateKey(bio.get(), nullptr, TLSPasswordCallback, this));
    if (!key || SSL_CTX_use_PrivateKey(fContext, key.get()) != 1) return false;
  }
  return SSL_CTX_check_private_key(fContext) == 1;
}

bool TIdSSLContext::LoadDHParams() {
  std::string data;
  if (!ReadWholeFile(Settings.DHParamsFile, data)) return false;
  TBioPtr bio = MemBio(data);
  TPKeyPtr params(PEM_read_bio_Parameters(bio.get(), nullptr));
  if (!params || SSL_CTX_set0_tmp_dh_pkey(fContext, params.get()) != 1) return false;
  (void)params.release(); // owned by the context now
  return true;
}

TIdBytes TIdSSLContext::ALPNWireList(const TStringList& AProtocols) {
  TIdBytes wire;
  IIdTextEncodingPtr enc = TextEncodingOfKind(tekOSDefault);
  for (const std::u16string& name : AProtocols) {
    if (name.empty()) continue;
    TIdBytes bytes = TextToBytes(name, enc);
    if (bytes.size() > 255) throw Exception(IdSSLMsg::ALPNError);
    wire.push_back(static_cast<uint8_t>(bytes.size()));
    wire.insert(wire.end(), bytes.begin(), bytes.end());
  }
  return wire;
}

void TIdSSLContext::ApplyALPNProtocols() {
  if (!fContext || FALPNProtocols.IsEmpty()) return;
  TIdBytes wire = ALPNWireList(FALPNProtocols);
  if (wire.empty()) return;
  if (SSL_CTX_set_alpn_protos(fContext, wire.data(), static_cast<unsigned>(wire.size())) != 0)
    throw Exception(IdSSLMsg::ALPNError);
}
