// HTTP authentication objects: the scheme-independent base that produces the "Authorization"
// (or "Proxy-Authorization") value and steps through a challenge, the Basic scheme, and the
// registry of scheme names that the engine consults when a server sends a challenge.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/ozkPersistent.h"
#include "http/ozkIdHeaderList.h"

enum TIdAuthWhatsNext { wnAskTheProgram, wnDoRequest, wnFail };

class TIdAuthentication : public TPersistent {
 public:
  TIdAuthentication();
  ~TIdAuthentication() override;

  // The header value that answers the challenge in its current step.
  virtual std::u16string Authentication() = 0;
  // Advances one step: send the request, give up, or ask the program for credentials.
  TIdAuthWhatsNext Next();
  virtual void Reset();
  // The method and target of the request being authorised (for schemes that sign them).
  virtual void SetRequest(const std::u16string& AMethod, const std::u16string& AUri);
  virtual bool KeepAlive() const { return false; }

  // The challenge values received for this scheme ("WWW-Authenticate"/"Proxy-Authenticate").
  TIdHeaderList& AuthParams() { return *FAuthParams; }
  // Values the engine stores with the object ("Authorization" once answered).
  TIdHeaderList& Params() { return *FParams; }
  int CurrentStep() const { return FCurrentStep; }
  const std::u16string& Username() const { return FUsername; }
  void SetUsername(const std::u16string& AValue) { FUsername = AValue; }
  const std::u16string& Password() const { return FPassword; }
  void SetPassword(const std::u16string& AValue) { FPassword = AValue; }

  void Assign(const TPersistent& ASource) override;

 protected:
  virtual TIdAuthWhatsNext DoNext() = 0;

  int FCurrentStep = 0;
  std::unique_ptr<TIdHeaderList> FParams;
  std::unique_ptr<TIdHeaderList> FAuthParams;
  std::u16string FUsername;
  std::u16string FPassword;
};

// "Basic " + Base64 of user ":" password, encoded in the challenge's charset ("ISO-8859-1" when
// the challenge names none). Asks the program when there is no user name, sends once, then fails.
class TIdBasicAuthentication : public TIdAuthentication {
 public:
  std::u16string Authentication() override;
  // The "realm" of the first challenge, empty when none was received.
  std::u16string Realm() const;

 protected:
  TIdAuthWhatsNext DoNext() override;
  std::u16string ChallengeParam(std::u16string_view AName) const;
};

// The value of an auth-param (name=value or name="value", comma-separated after the scheme
// word) of a challenge line; empty when absent.
std::u16string GetAuthChallengeParam(std::u16string_view AChallenge, std::u16string_view AName);

using TIdAuthenticationFactory = std::function<std::unique_ptr<TIdAuthentication>()>;

// Scheme names are compared ignoring letter case. "Basic" is registered from the start.
void RegisterAuthenticationMethod(std::u16string_view AMethodName,
                                  TIdAuthenticationFactory AFactory);
void UnregisterAuthenticationMethod(std::u16string_view AMethodName);
// The factory of a challenge's scheme (its first word), or an empty function.
TIdAuthenticationFactory FindAuthClass(std::u16string_view AChallenge);
