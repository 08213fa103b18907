#include "openai/ozkHTTP_API_OpenAI_Base.h"

#include "base/ozkException.h"
#include "base/ozkText.h"
#include "base/ozkTime.h"
#include "http/ozkIdHTTP.h"
#include "json/ozkJSON.h"

std::u16string EscapeJSONString(std::u16string_view aText) {
  std::u16string lResult;
  lResult.reserve(aText.size() + 8);
  for (char16_t c : aText) {
    switch (c) {
    case 8:
      lResult += u"\\b";
      break;
    case 9:
      lResult += u"\\t";
      break;
    case 10:
      lResult += u"\\n";
      break;
    case 12:
      lResult += u"\\f";
      break;
    case 13:
      lResult += u"\\r";
      break;
    case u'"':
      lResult += u"\\\"";
      break;
    case u'/':
      lResult += u"\\/";
      break;
    case u'\\':
      lResult += u"\\\\";
      break;
    default:
      if (c < 32 || c > 126) {
        lResult += u"\\u";
        lResult += IntToHex(c, 4);
      } else {
        lResult += c;
      }
    }
  }
  return lResult;
}

std::u16string PercentEncode(std::u16string_view aText) {
  std::u16string lResult;
  lResult.reserve(aText.size());
  for (char16_t c : aText) {
    if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
        c == u'-' || c == u'.' || c == u'_' || c == u'~') {
      lResult += c;
    } else {
      lResult += u'%';
      lResult += IntToHex(c, 2);
    }
  }
  return lResult;
}

namespace {

std::u16string WithoutTrailingSlash(std::u16string aText) {
  if (!aText.empty() && aText.back() == u'/') aText.pop_back();
  return aText;
}

// A member's value as the form field carries it: string values decoded (the caller wrote them
// with EscapeJSONString), text that is not a valid escape sequence taken as it stands, and every
// other kind as its JSON text.
std::u16string FieldText(TozkObjectJSON& aMember) {
  if (aMember.JSONType() != ozkJSONString) return aMember.Value().AsString();
  std::u16string lStored = aMember.StoredValue().AsString(); // not const: moved on return
  try {
    return JSONUnescape(lStored);
  } catch (const EozkJSONError&) {
    return lStored;
  }
}

// A credential as a header value. A line break inside it would end the header line and let the
// rest become header lines of its own, so it is refused; line breaks at its end (a pasted key)
// are dropped, as the header list dropped them before.
std::u16string HeaderValue(std::u16string aValue) {
  while (!aValue.empty() && (aValue.back() == u'\r' || aValue.back() == u'\n')) aValue.pop_back();
  if (aValue.find_first_of(u"\r\n") != std::u16string::npos)
    throw EArgumentException(u"The API key or the organization contains a line break.");
  return aValue;
}

bool IsAssistantsPath(const std::u16string& aPath) {
  return aPath.find(u"/assistants") != std::u16string::npos ||
         aPath.find(u"/threads") != std::u16string::npos ||
         aPath.find(u"/vector_stores") != std::u16string::npos;
}

} // namespace

TozkHTTP_API_OpenAI_Base::TozkHTTP_API_OpenAI_Base(TComponent* AOwner)
    : TozkHTTPAPI_client(AOwner), FOpenAIOptions(std::make_unique<TozkHTTPOpenAI_Options>()) {}

TozkHTTP_API_OpenAI_Base::~TozkHTTP_API_OpenAI_Base() = default;

std::u16string TozkHTTP_API_OpenAI_Base::GetBaseURL() {
  const TozkHTTPOpenAI_Options& lOptions = OpenAIOptions();
  if (lOptions.Provider() == oapvAzure)
    return lOptions.AzureOptions().EffectiveEndpoint() + u"/openai/deployments/" +
           lOptions.AzureOptions().DeploymentId();
  return WithoutTrailingSlash(lOptions.BaseURL());
}

void TozkHTTP_API_OpenAI_Base::SyncLogOptions() {
  const TozkHTTPOpenAILog_Options& lLog = OpenAIOptions().LogOptions();
  if (FLog != lLog.Enabled()) {
    FLogFileName = lLog.FileName();
    FLog = lLog.Enabled();
  }
}

std::u16string TozkHTTP_API_OpenAI_Base::RequestURL(const std::u16string& aPath,
                                                    bool aImageSpecialCase) {
  const TozkHTTPOpenAI_Options& lOptions = OpenAIOptions();
  if (lOptions.Provider() != oapvAzure) return GetBaseURL() + aPath;
  std::u16string lURL;
  if (aImageSpecialCase && aPath == u"/images/generations")
    lURL = lOptions.AzureOptions().EffectiveEndpoint() + u"/openai/images/generations:submit";
  else
    lURL = GetBaseURL() + aPath;
  lURL += aPath.find(u'?') == std::u16string::npos ? u"?" : u"&";
  return lURL + u"api-version=" + lOptions.AzureOptions().APIVersion();
}

void TozkHTTP_API_OpenAI_Base::AddAuthenticationHeaders(TStringList& aHeaders) const {
  const TozkHTTPOpenAI_Options& lOptions = OpenAIOptions();
  if (lOptions.Provider() == oapvAzure) {
    aHeaders.Add(u"api-key: " + HeaderValue(lOptions.ApiKey()));
    return;
  }
  aHeaders.Add(u"Authorization: Bearer " + HeaderValue(lOptions.ApiKey()));
  if (!lOptions.Organization().empty())
    aHeaders.Add(u"OpenAI-Organization: " + HeaderValue(lOptions.Organization()));
}

std::u16string TozkHTTP_API_OpenAI_Base::DoRequest(const std::u16string& aMethod,
                                                   const std::u16string& aPath,
                                                   const std::u16string& aBody) {
  SyncLogOptions();
  const std::u16string lURL = RequestURL(aPath, true);
  TStringList lHeaders;
  AddAuthenticationHeaders(lHeaders);
  if (IsAssistantsPath(aPath)) lHeaders.Add(u"OpenAI-Beta: assistants=v2");
  if (!aBody.empty()) lHeaders.Add(u"Content-Type: application/json");
  return DoExecute(aMethod, lURL, lHeaders, aBody, nullptr);
}

std::u16string TozkHTTP_API_OpenAI_Base::DoGet(const std::u16string& aPath) {
  return DoRequest(u"GET", aPath, std::u16string());
}

std::u16string TozkHTTP_API_OpenAI_Base::DoPost(const std::u16string& aPath,
                                                const std::u16string& aBody) {
  return DoRequest(u"POST", aPath, aBody);
}

std::u16string TozkHTTP_API_OpenAI_Base::DoDelete(const std::u16string& aPath) {
  return DoRequest(u"DELETE", aPath, std::u16string());
}

std::u16string TozkHTTP_API_OpenAI_Base::DoPostMultipart(const std::u16string& aPath,
                                                         const std::u16string& aFields) {
  SyncLogOptions();
  const std::u16string lURL = RequestURL(aPath, false);
  TStringList lHeaders;
  AddAuthenticationHeaders(lHeaders);
  TozkJSON lFields;
  lFields.Read(aFields);
  TIdMultiPartFormDataStream lForm;
  for (const auto& lMember : lFields.Members()) {
    const std::u16string& lName = lMember->Name();
    const std::u16string lValue = FieldText(*lMember);
    if (lName == u"file" || lName == u"image")
      lForm.AddFile(lName, lValue);
    else
      lForm.AddFormField(lName, PercentEncode(lValue));
  }
  return DoExecute(u"POST", lURL, lHeaders, std::u16string(), &lForm);
}

void TozkHTTP_API_OpenAI_Base::DoRetryWait(int aMilliseconds) {
  if (aMilliseconds > 0) SleepMilliseconds(static_cast<uint32_t>(aMilliseconds));
}

std::u16string TozkHTTP_API_OpenAI_Base::DoExecute(const std::u16string& aMethod,
                                                   const std::u16string& aURL,
                                                   const TStringList& aHeaders,
                                                   const std::u16string& aBody,
                                                   TIdMultiPartFormDataStream* aMultipart) {
  const TozkHTTPOpenAIRetry_Options& lRetry = OpenAIOptions().RetryOptions();
  const bool lRetryEnabled = lRetry.Enabled();
  FReadTimeout = OpenAIOptions().HttpOptions().ReadTimeout();
  int lRetries = 0;
  for (;;) {
    try {
      if (aMethod == u"GET") return Get(aURL, &aHeaders);
      if (aMethod == u"POST") {
        // The previous attempt read the body to its end; each attempt sends all of it.
        if (aMultipart) aMultipart->SetPosition(0);
        return Post(aURL, aBody, &aHeaders, aMultipart, false);
      }
      if (aMethod == u"DELETE") return Delete(aURL, &aHeaders, std::u16string());
      return std::u16string();
    } catch (const EIdHTTPProtocolException& e) {
      if (!lRetryEnabled) throw;
      if (e.ErrorCode() == 429) DoRetryWait(lRetry.Wait());
      if (lRetries >= lRetry.Retries()) throw;
      ++lRetries;
    }
  }
}
