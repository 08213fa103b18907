#include "http/ozkIdAuthentication.h"

#include <mutex>
#include <typeinfo>
#include <vector>

#include "base/ozkText.h"
#include "net/ozkIdGlobal.h"

TIdAuthentication::TIdAuthentication()
    : FParams(std::make_unique<TIdHeaderList>(QuoteHTTP)),
      FAuthParams(std::make_unique<TIdHeaderList>(QuoteHTTP)) {}

TIdAuthentication::~TIdAuthentication() = default;

TIdAuthWhatsNext TIdAuthentication::Next() {
  return DoNext();
}

void TIdAuthentication::Reset() {
  FCurrentStep = 0;
}

void TIdAuthentication::SetRequest(const std::u16string&, const std::u16string&) {}

void TIdAuthentication::Assign(const TPersistent& ASource) {
  auto* src = dynamic_cast<const TIdAuthentication*>(&ASource);
  if (!src || typeid(*src) != typeid(*this)) {
    TPersistent::Assign(ASource);
    return;
  }
  FCurrentStep = src->FCurrentStep;
  FParams->Assign(*src->FParams);
  FAuthParams->Assign(*src->FAuthParams);
  FUsername = src->FUsername;
  FPassword = src->FPassword;
}

std::u16string GetAuthChallengeParam(std::u16string_view AChallenge, std::u16string_view AName) {
  // Skip the scheme word, then read name=value pairs separated by commas.
  size_t i = AChallenge.find(u' ');
  if (i == std::u16string_view::npos) return std::u16string();
  const size_t n = AChallenge.size();
  while (i < n) {
    while (i < n && (AChallenge[i] <= u' ' || AChallenge[i] == u',')) ++i;
    size_t b = i;
    while (i < n && AChallenge[i] != u'=' && AChallenge[i] != u',') ++i;
    std::u16string name = Trim(AChallenge.substr(b, i - b));
    if (i >= n || AChallenge[i] == u',') continue;
    ++i;
    while (i < n && AChallenge[i] <= u' ') ++i;
    std::u16string value;
    if (i < n && AChallenge[i] == u'"') {
      ++i;
      while (i < n && AChallenge[i] != u'"') {
        if (AChallenge[i] == u'\\' && i + 1 < n) ++i;
        value.push_back(AChallenge[i++]);
      }
      ++i;
    } else {
      b = i;
      while (i < n && AChallenge[i] != u',') ++i;
      value = Trim(AChallenge.substr(b, i - b));
    }
    if (SameText(name, AName)) return value;
  }
  return std::u16string();
}

std::u16string TIdBasicAuthentication::ChallengeParam(std::u16string_view AName) const {
  for (const auto& line : *FAuthParams) {
    std::u16string v = GetAuthChallengeParam(line, AName);
    if (!v.empty()) return v;
  }
  return std::u16string();
}

std::u16string TIdBasicAuthentication::Realm() const {
  return ChallengeParam(u"realm");
}

std::u16string TIdBasicAuthentication::Authentication() {
  std::u16string charset = ChallengeParam(u"charset");
  if (charset.empty()) charset = u"ISO-8859-1";
  const TIdBytes credentials =
      TextToBytes(FUsername + u":" + FPassword, TextEncodingOfCharset(charset));
  return u"Basic " + EncodeBase64Text(credentials);
}

TIdAuthWhatsNext TIdBasicAuthentication::DoNext() {
  if (FUsername.empty()) return wnAskTheProgram;
  if (FCurrentStep == 0) {
    ++FCurrentStep;
    return wnDoRequest;
  }
  return wnFail;
}

namespace {

struct TAuthRegistry {
  std::mutex Lock;
  std::vector<std::pair<std::u16string, TIdAuthenticationFactory>> Methods{
      {u"Basic", [] { return std::make_unique<TIdBasicAuthentication>(); }}};
};

TAuthRegistry& Registry() {
  static TAuthRegistry registry;
  return registry;
}

} // namespace

void RegisterAuthenticationMethod(std::u16string_view AMethodName,
                                  TIdAuthenticationFactory AFactory) {
  auto& r = Registry();
  std::lock_guard<std::mutex> g(r.Lock);
  for (auto& m : r.Methods)
    if (SameText(m.first, AMethodName)) {
      m.second = std::move(AFactory);
      return;
    }
  r.Methods.emplace_back(std::u16string(AMethodName), std::move(AFactory));
}

void UnregisterAuthenticationMethod(std::u16string_view AMethodName) {
  auto& r = Registry();
  std::lock_guard<std::mutex> g(r.Lock);
  for (auto it = r.Methods.begin(); it != r.Methods.end(); ++it)
    if (SameText(it->first, AMethodName)) {
      r.Methods.erase(it);
      return;
    }
}

TIdAuthenticationFactory FindAuthClass(std::u16string_view AChallenge) {
  const std::u16string trimmed = TrimLeft(AChallenge);
  const std::u16string scheme = trimmed.substr(0, trimmed.find_first_of(u" \t"));
  auto& r = Registry();
  std::lock_guard<std::mutex> g(r.Lock);
  for (const auto& m : r.Methods)
    if (SameText(m.first, scheme)) return m.second;
  return {};
}
