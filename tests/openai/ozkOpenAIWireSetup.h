// The provider set-ups that the REST client's wire tests run under, and the client options that
// point a client at the recording server as each provider would be addressed.
#pragma once

#include <ostream>
#include <string>

#include "openai/ozkHTTP_API_OpenAI.h"

namespace ozktest {

struct TProviderSetup {
  const char* Name;
  TozkOpenAIProvider Provider;
  std::u16string Organization;
};

inline void PrintTo(const TProviderSetup& aSetup, std::ostream* aOut) {
  *aOut << aSetup.Name;
}

// OpenAI at aOrigin, or an Azure resource "res" with deployment "dep-1" whose endpoint is aOrigin.
inline void ConfigureForServer(TozkHTTP_API_OpenAI& aClient, const TProviderSetup& aSetup,
                               const std::u16string& aOrigin) {
  TozkHTTPOpenAI_Options& lOptions = aClient.OpenAIOptions();
  lOptions.SetApiKey(u"sk-test");
  lOptions.SetProvider(aSetup.Provider);
  lOptions.SetOrganization(aSetup.Organization);
  lOptions.SetBaseURL(aOrigin + u"/");
  lOptions.AzureOptions().SetEndpoint(aOrigin);
  lOptions.AzureOptions().SetResourceName(u"res");
  lOptions.AzureOptions().SetDeploymentId(u"dep-1");
  lOptions.HttpOptions().SetReadTimeout(5000);
}

} // namespace ozktest
