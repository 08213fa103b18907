// Options of the OpenAI REST client: which provider is called (OpenAI or an Azure OpenAI
// resource), with which credentials and origin, with which read time-out, whether traffic is
// logged and whether requests answered with an HTTP error status are repeated.
//
// Every class copies deeply through Assign; a source of any other class fails with
// "Cannot assign a %s to a %s". Sub-objects are owned by TozkHTTPOpenAI_Options; their setters
// copy the given object's values and keep no reference to it.
#pragma once

#include <memory>
#include <string>

#include "base/ozkPersistent.h"

enum TozkOpenAIProvider { oapvOpenAI = 0, oapvAzure = 1 };

class TozkHTTPOpenAIAzure_Options : public TPersistent {
 public:
  void Assign(const TPersistent& aSource) override;

  const std::u16string& APIVersion() const { return FAPIVersion; }
  void SetAPIVersion(const std::u16string& aValue) { FAPIVersion = aValue; }
  const std::u16string& DeploymentId() const { return FDeploymentId; }
  void SetDeploymentId(const std::u16string& aValue) { FDeploymentId = aValue; }
  const std::u16string& ResourceName() const { return FResourceName; }
  void SetResourceName(const std::u16string& aValue) { FResourceName = aValue; }
  // The resource's origin ("https://host[:port]", a trailing "/" is ignored). Empty means
  // "https://" + ResourceName + ".openai.azure.com"; EffectiveEndpoint gives the one in use.
  const std::u16string& Endpoint() const { return FEndpoint; }
  void SetEndpoint(const std::u16string& aValue) { FEndpoint = aValue; }
  std::u16string EffectiveEndpoint() const;

 private:
  std::u16string FAPIVersion = u"2024-05-15";
  std::u16string FDeploymentId;
  std::u16string FResourceName;
  std::u16string FEndpoint;
};

class TozkHTTPOpenAIHttp_Options : public TPersistent {
 public:
  void Assign(const TPersistent& aSource) override;

  // Milliseconds, handed to the request executor before every request; 0 waits without limit.
  int ReadTimeout() const { return FReadTimeout; }
  void SetReadTimeout(int aValue) { FReadTimeout = aValue; }

 private:
  int FReadTimeout = 0;
};

class TozkHTTPOpenAILog_Options : public TPersistent {
 public:
  void Assign(const TPersistent& aSource) override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool aValue) { FEnabled = aValue; }
  const std::u16string& FileName() const { return FFileName; }
  void SetFileName(const std::u16string& aValue) { FFileName = aValue; }

 private:
  bool FEnabled = false;
  std::u16string FFileName;
};

class TozkHTTPOpenAIRetry_Options : public TPersistent {
 public:
  void Assign(const TPersistent& aSource) override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool aValue) { FEnabled = aValue; }
  // Repetitions at most, so a request is sent at most 1 + Retries times.
  int Retries() const { return FRetries; }
  void SetRetries(int aValue) { FRetries = aValue; }
  // Milliseconds of pause before the next attempt, made only after status 429.
  int Wait() const { return FWait; }
  void SetWait(int aValue) { FWait = aValue; }

 private:
  bool FEnabled = false;
  int FRetries = 3;
  int FWait = 10000;
};

class TozkHTTPOpenAI_Options : public TPersistent {
 public:
  TozkHTTPOpenAI_Options();
  ~TozkHTTPOpenAI_Options() override;
  TozkHTTPOpenAI_Options(const TozkHTTPOpenAI_Options&) = delete;
  TozkHTTPOpenAI_Options& operator=(const TozkHTTPOpenAI_Options&) = delete;

  // Copies ApiKey, Organization, LogOptions, RetryOptions, Provider, AzureOptions,
  // HttpOptions, then BaseURL.
  void Assign(const TPersistent& aSource) override;

  const std::u16string& ApiKey() const { return FApiKey; }
  void SetApiKey(const std::u16string& aValue) { FApiKey = aValue; }
  TozkHTTPOpenAIAzure_Options& AzureOptions() const { return *FAzureOptions; }
  void SetAzureOptions(const TozkHTTPOpenAIAzure_Options& aValue) { FAzureOptions->Assign(aValue); }
  TozkHTTPOpenAIHttp_Options& HttpOptions() const { return *FHttpOptions; }
  void SetHttpOptions(const TozkHTTPOpenAIHttp_Options& aValue) { FHttpOptions->Assign(aValue); }
  TozkHTTPOpenAILog_Options& LogOptions() const { return *FLogOptions; }
  void SetLogOptions(const TozkHTTPOpenAILog_Options& aValue) { FLogOptions->Assign(aValue); }
  // Sent only with oapvOpenAI and only when not empty.
  const std::u16string& Organization() const { return FOrganization; }
  void SetOrganization(const std::u16string& aValue) { FOrganization = aValue; }
  TozkOpenAIProvider Provider() const { return FProvider; }
  void SetProvider(TozkOpenAIProvider aValue) { FProvider = aValue; }
  TozkHTTPOpenAIRetry_Options& RetryOptions() const { return *FRetryOptions; }
  void SetRetryOptions(const TozkHTTPOpenAIRetry_Options& aValue) { FRetryOptions->Assign(aValue); }
  // The OpenAI provider's origin ("https://api.openai.com" unless set; a trailing "/" is
  // ignored). The client appends "/v1" and the endpoint's path.
  const std::u16string& BaseURL() const { return FBaseURL; }
  void SetBaseURL(const std::u16string& aValue) { FBaseURL = aValue; }

 private:
  // Declared in the order the constructor creates them: log, retry, Azure, HTTP.
  std::unique_ptr<TozkHTTPOpenAILog_Options> FLogOptions;
  std::unique_ptr<TozkHTTPOpenAIRetry_Options> FRetryOptions;
  std::unique_ptr<TozkHTTPOpenAIAzure_Options> FAzureOptions;
  std::unique_ptr<TozkHTTPOpenAIHttp_Options> FHttpOptions;
  std::u16string FApiKey;
  std::u16string FOrganization;
  TozkOpenAIProvider FProvider = oapvOpenAI;
  std::u16string FBaseURL = u"https://api.openai.com";
};
