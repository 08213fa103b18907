// Request dispatch of the OpenAI REST client: turns a method, a path below the provider's base
// URL and a body into one exchange through the request executor it inherits. It builds the URL
// for OpenAI or Azure, the header lines (bearer or api-key, organization, the assistants beta
// marker, the JSON content type), turns a JSON object into a multipart form for uploads and
// repeats requests that the service answered with an HTTP error status when retrying is on.
//
// Also the two string functions the client and its callers share: EscapeJSONString (free text
// into the body of a JSON string) and PercentEncode (text into a URL query).
//
// One client serves one thread at a time: the executor's log and time-out fields are written
// before every request without a lock.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/ozkStringList.h"
#include "http/ozkHTTP_API.h"
#include "http/ozkIdMultipartFormData.h"
#include "openai/ozkHTTP_API_OpenAI_Options.h"

// Text as the inside of a JSON string, one UTF-16 unit at a time: \b \t \n \f \r, \" \/ \\,
// every other unit below 32 or above 126 as \u and four upper-case hexadecimal digits.
std::u16string EscapeJSONString(std::u16string_view aText);
// Letters, digits and "-._~" stay; every other UTF-16 unit becomes "%" and its value in
// upper-case hexadecimal, at least two digits (" " gives %20, U+00E9 %E9, U+20AC %20AC).
std::u16string PercentEncode(std::u16string_view aText);

class TozkHTTP_API_OpenAI_Base : public TozkHTTPAPI_client {
 public:
  explicit TozkHTTP_API_OpenAI_Base(TComponent* AOwner = nullptr);
  ~TozkHTTP_API_OpenAI_Base() override;

  TozkHTTPOpenAI_Options& OpenAIOptions() const { return *FOpenAIOptions; }
  // Copies the values of aValue; no reference is kept.
  void SetOpenAIOptions(const TozkHTTPOpenAI_Options& aValue) { FOpenAIOptions->Assign(aValue); }

 protected:
  // Azure: the resource's origin and "/openai/deployments/" + DeploymentId. OpenAI: the
  // configured origin, no path.
  virtual std::u16string GetBaseURL();
  // One request with the retry rules: only EIdHTTPProtocolException is repeated (at most
  // Retries times, immediately, or after RetryOptions.Wait when the status was 429); every
  // other error propagates at once. A multipart body is rewound before every attempt so that
  // each attempt sends the whole body. Methods other than GET, POST and DELETE send nothing and
  // give empty text.
  virtual std::u16string DoExecute(const std::u16string& aMethod, const std::u16string& aURL,
                                   const TStringList& aHeaders, const std::u16string& aBody,
                                   TIdMultiPartFormDataStream* aMultipart);
  virtual std::u16string DoRequest(const std::u16string& aMethod, const std::u16string& aPath,
                                   const std::u16string& aBody);
  virtual std::u16string DoGet(const std::u16string& aPath);
  virtual std::u16string DoPost(const std::u16string& aPath, const std::u16string& aBody);
  // aFields is a JSON object: members "file" and "image" name local files sent as file parts,
  // every other member is a plain field holding PercentEncode of its value. String values are
  // decoded first, so a path or a text written with EscapeJSONString arrives as it was.
  virtual std::u16string DoPostMultipart(const std::u16string& aPath,
                                         const std::u16string& aFields);
  virtual std::u16string DoDelete(const std::u16string& aPath);
  // The pause before a retry after status 429 (a plain sleep); a step of its own so that
  // tests can see the pauses without timing them.
  virtual void DoRetryWait(int aMilliseconds);

  // Takes LogOptions into the executor's log fields when the switch changed.
  void SyncLogOptions();
  // The full URL of aPath for the provider, the Azure "api-version" included.
  std::u16string RequestURL(const std::u16string& aPath, bool aImageSpecialCase);
  // Authentication lines: bearer and organization for OpenAI, api-key for Azure.
  void AddAuthenticationHeaders(TStringList& aHeaders) const;

 private:
  std::unique_ptr<TozkHTTPOpenAI_Options> FOpenAIOptions;
};
