#include "openai/ozkHTTP_API_OpenAI_Options.h"

#include <gtest/gtest.h>

#include "base/ozkException.h"
#include "base/ozkText.h"

TEST(OpenAIOptions, Defaults) {
  TozkHTTPOpenAI_Options lOptions;
  EXPECT_EQ(lOptions.Provider(), oapvOpenAI);
  EXPECT_EQ(lOptions.ApiKey(), u"");
  EXPECT_EQ(lOptions.Organization(), u"");
  EXPECT_EQ(lOptions.BaseURL(), u"https://api.openai.com");
  EXPECT_EQ(lOptions.AzureOptions().APIVersion(), u"2024-05-15");
  EXPECT_EQ(lOptions.AzureOptions().DeploymentId(), u"");
  EXPECT_EQ(lOptions.AzureOptions().ResourceName(), u"");
  EXPECT_EQ(lOptions.HttpOptions().ReadTimeout(), 0);
  EXPECT_FALSE(lOptions.LogOptions().Enabled());
  EXPECT_EQ(lOptions.LogOptions().FileName(), u"");
  EXPECT_FALSE(lOptions.RetryOptions().Enabled());
  EXPECT_EQ(lOptions.RetryOptions().Retries(), 3);
  EXPECT_EQ(lOptions.RetryOptions().Wait(), 10000);
}

TEST(OpenAIOptions, AzureEndpointDefaultsToTheResourceHost) {
  TozkHTTPOpenAIAzure_Options lAzure;
  lAzure.SetResourceName(u"contoso");
  EXPECT_EQ(lAzure.EffectiveEndpoint(), u"https://contoso.openai.azure.com");
  lAzure.SetEndpoint(u"http://127.0.0.1:8080/");
  EXPECT_EQ(lAzure.EffectiveEndpoint(), u"http://127.0.0.1:8080");
}

TEST(OpenAIOptions, AssignIsADeepCopyOfEveryValue) {
  TozkHTTPOpenAI_Options lSource;
  lSource.SetApiKey(u"sk-1");
  lSource.SetOrganization(u"org-1");
  lSource.SetProvider(oapvAzure);
  lSource.SetBaseURL(u"http://127.0.0.1:1");
  lSource.AzureOptions().SetResourceName(u"res");
  lSource.AzureOptions().SetDeploymentId(u"dep");
  lSource.AzureOptions().SetAPIVersion(u"2025-01-01");
  lSource.AzureOptions().SetEndpoint(u"http://127.0.0.1:2");
  lSource.HttpOptions().SetReadTimeout(1234);
  lSource.LogOptions().SetEnabled(true);
  lSource.LogOptions().SetFileName(u"openai.txt");
  lSource.RetryOptions().SetEnabled(true);
  lSource.RetryOptions().SetRetries(7);
  lSource.RetryOptions().SetWait(5);

  TozkHTTPOpenAI_Options lCopy;
  lCopy.Assign(lSource);
  EXPECT_EQ(lCopy.ApiKey(), u"sk-1");
  EXPECT_EQ(lCopy.Organization(), u"org-1");
  EXPECT_EQ(lCopy.Provider(), oapvAzure);
  EXPECT_EQ(lCopy.BaseURL(), u"http://127.0.0.1:1");
  EXPECT_EQ(lCopy.AzureOptions().ResourceName(), u"res");
  EXPECT_EQ(lCopy.AzureOptions().DeploymentId(), u"dep");
  EXPECT_EQ(lCopy.AzureOptions().APIVersion(), u"2025-01-01");
  EXPECT_EQ(lCopy.AzureOptions().Endpoint(), u"http://127.0.0.1:2");
  EXPECT_EQ(lCopy.HttpOptions().ReadTimeout(), 1234);
  EXPECT_TRUE(lCopy.LogOptions().Enabled());
  EXPECT_EQ(lCopy.LogOptions().FileName(), u"openai.txt");
  EXPECT_TRUE(lCopy.RetryOptions().Enabled());
  EXPECT_EQ(lCopy.RetryOptions().Retries(), 7);
  EXPECT_EQ(lCopy.RetryOptions().Wait(), 5);

  // The sub-objects are the copy's own.
  lCopy.RetryOptions().SetWait(99);
  lCopy.AzureOptions().SetDeploymentId(u"other");
  EXPECT_EQ(lSource.RetryOptions().Wait(), 5);
  EXPECT_EQ(lSource.AzureOptions().DeploymentId(), u"dep");

  // A sub-object setter copies and keeps no reference.
  TozkHTTPOpenAIRetry_Options lRetry;
  lRetry.SetRetries(1);
  lCopy.SetRetryOptions(lRetry);
  lRetry.SetRetries(2);
  EXPECT_EQ(lCopy.RetryOptions().Retries(), 1);
}

TEST(OpenAIOptions, AssignFromAnotherClassFails) {
  TozkHTTPOpenAI_Options lOptions;
  TozkHTTPOpenAILog_Options lLog;
  try {
    lOptions.Assign(lLog);
    ADD_FAILURE() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(),
              u"Cannot assign a TozkHTTPOpenAILog_Options to a TozkHTTPOpenAI_Options");
  }
  TozkHTTPOpenAIRetry_Options lRetry;
  EXPECT_THROW(lRetry.Assign(lLog), EConvertError);
  TozkHTTPOpenAIAzure_Options lAzure;
  EXPECT_THROW(lAzure.Assign(lRetry), EConvertError);
  TozkHTTPOpenAIHttp_Options lHttp;
  EXPECT_THROW(lHttp.Assign(lAzure), EConvertError);
  EXPECT_THROW(lLog.Assign(lHttp), EConvertError);
}
