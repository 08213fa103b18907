#include "openai/ozkHTTP_API_OpenAI_Options.h"

void TozkHTTPOpenAIAzure_Options::Assign(const TPersistent& aSource) {
  const auto* lSource = dynamic_cast<const TozkHTTPOpenAIAzure_Options*>(&aSource);
  if (!lSource) {
    TPersistent::Assign(aSource);
    return;
  }
  FResourceName = lSource->FResourceName;
  FDeploymentId = lSource->FDeploymentId;
  FAPIVersion = lSource->FAPIVersion;
  FEndpoint = lSource->FEndpoint;
}

std::u16string TozkHTTPOpenAIAzure_Options::EffectiveEndpoint() const {
  std::u16string lOrigin =
      FEndpoint.empty() ? u"https://" + FResourceName + u".openai.azure.com" : FEndpoint;
  if (!lOrigin.empty() && lOrigin.back() == u'/') lOrigin.pop_back();
  return lOrigin;
}

void TozkHTTPOpenAIHttp_Options::Assign(const TPersistent& aSource) {
  const auto* lSource = dynamic_cast<const TozkHTTPOpenAIHttp_Options*>(&aSource);
  if (!lSource) {
    TPersistent::Assign(aSource);
    return;
  }
  FReadTimeout = lSource->FReadTimeout;
}

void TozkHTTPOpenAILog_Options::Assign(const TPersistent& aSource) {
  const auto* lSource = dynamic_cast<const TozkHTTPOpenAILog_Options*>(&aSource);
  if (!lSource) {
    TPersistent::Assign(aSource);
    return;
  }
  FEnabled = lSource->FEnabled;
  FFileName = lSource->FFileName;
}

void TozkHTTPOpenAIRetry_Options::Assign(const TPersistent& aSource) {
  const auto* lSource = dynamic_cast<const TozkHTTPOpenAIRetry_Options*>(&aSource);
  if (!lSource) {
    TPersistent::Assign(aSource);
    return;
  }
  FEnabled = lSource->FEnabled;
  FRetries = lSource->FRetries;
  FWait = lSource->FWait;
}

TozkHTTPOpenAI_Options::TozkHTTPOpenAI_Options()
    : FLogOptions(std::make_unique<TozkHTTPOpenAILog_Options>()),
      FRetryOptions(std::make_unique<TozkHTTPOpenAIRetry_Options>()),
      FAzureOptions(std::make_unique<TozkHTTPOpenAIAzure_Options>()),
      FHttpOptions(std::make_unique<TozkHTTPOpenAIHttp_Options>()) {}

TozkHTTPOpenAI_Options::~TozkHTTPOpenAI_Options() = default;

void TozkHTTPOpenAI_Options::Assign(const TPersistent& aSource) {
  const auto* lSource = dynamic_cast<const TozkHTTPOpenAI_Options*>(&aSource);
  if (!lSource) {
    TPersistent::Assign(aSource);
    return;
  }
  if (lSource == this) return;
  FApiKey = lSource->FApiKey;
  FOrganization = lSource->FOrganization;
  FLogOptions->Assign(*lSource->FLogOptions);
  FRetryOptions->Assign(*lSource->FRetryOptions);
  FProvider = lSource->FProvider;
  FAzureOptions->Assign(*lSource->FAzureOptions);
  FHttpOptions->Assign(*lSource->FHttpOptions);
  FBaseURL = lSource->FBaseURL;
}
