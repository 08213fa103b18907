// TozkHTTPAPI_client: the request executor of the REST layer. Every call creates a fresh
// TozkIdHTTP, configures it (read time-out, redirects, TLS, traffic log, header lines), runs
// one request and frees it again, so no connection, cookie or TLS state outlives a request.
// An HTTP error status comes back as EIdHTTPProtocolException whose message is the status
// line, ". " and the response body; OnHTTPAPIException, when set, receives every failure
// instead and the call returns empty text.
//
// The TLS defaults verify the server: VerifyCertificate is on with a depth of 10 and the
// certificate must name the host (set VerifyCertificate to false only for servers whose
// self-signed certificate cannot be put into RootCertFile).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "base/ozkException.h"
#include "base/ozkStringList.h"
#include "http/ozkHTTP_Classes.h"
#include "http/ozkHTTP_Client.h"
#include "http/ozkHTTP_SSE.h"
#include "http/ozkIdMultipartFormData.h"

class TozkHTTPAPI_client;
using TozkHTTPAPIExceptionEvent = std::function<void(TozkHTTPAPI_client* Sender, Exception& E)>;

class TozkHTTPAPI_client : public TozkHTTPComponentClient_Base {
 public:
  explicit TozkHTTPAPI_client(TComponent* AOwner = nullptr);
  ~TozkHTTPAPI_client() override;

  // Each line of a header list is "Name: value". The body of POST is sent as UTF-8, those of
  // DELETE, PATCH and PUT in the system's ANSI code page. GET and plain POST answers are decoded
  // as UTF-8, the others with the response's charset.
  std::u16string Get(const std::u16string& aURL, const TStringList* aHeaders = nullptr);
  std::u16string Post(const std::u16string& aURL, const std::u16string& aBody,
                      const TStringList* aHeaders = nullptr,
                      TIdMultiPartFormDataStream* aMultipartFormData = nullptr,
                      bool aForceHTTP1 = false);
  std::u16string Delete(const std::u16string& aURL, const TStringList* aHeader = nullptr,
                        const std::u16string& aBody = std::u16string());
  std::u16string Patch(const std::u16string& aURL, const std::u16string& aBody,
                       const TStringList* aHeaders = nullptr);
  std::u16string Put(const std::u16string& aURL, const std::u16string& aBody,
                     const TStringList* aHeaders = nullptr);
  // POSTs aBody (UTF-8) and reads the answer as server-sent events, handing each event to
  // aOnEvent as it arrives; aOnEvent returns true for the stream's final event, and reading
  // stops there. Returns true once the final event came. A body that ends without it raises
  // EIdSSEError "The event stream ended before its final event."; a server silent for the
  // read time-out gives EIdReadTimeout; an error status EIdHTTPProtocolException as Post does.
  // With OnHTTPAPIException set, failures go there and the call returns false.
  bool PostEvents(const std::u16string& aURL, const std::u16string& aBody,
                  const TStringList* aHeaders, const TozkSSEEventHandler& aOnEvent);

  bool Log() const { return FLog; }
  void SetLog(bool aValue) { FLog = aValue; }
  const std::u16string& LogFileName() const { return FLogFileName; }
  void SetLogFileName(const std::u16string& aValue) { FLogFileName = aValue; }
  // Milliseconds; 0 and -1 both wait without limit.
  int ReadTimeout() const { return FReadTimeout; }
  void SetReadTimeout(int aValue) { FReadTimeout = aValue; }
  // Created on first use.
  TozkIdHTTPTLS_Options& TLSOptions();
  void SetTLSOptions(const TozkIdHTTPTLS_Options& aValue) { TLSOptions().Assign(aValue); }

  TozkHTTPAPIExceptionEvent OnHTTPAPIException;

 protected:
  virtual std::u16string ExecuteGet(const std::u16string& aURL, const TStringList* aHeaders);
  virtual std::u16string ExecutePost(const std::u16string& aURL, const std::u16string& aBody,
                                     const TStringList* aHeaders,
                                     TIdMultiPartFormDataStream* aMultipartFormData,
                                     bool aForceHTTP1);
  virtual std::u16string ExecuteDelete(const std::u16string& aURL, const TStringList* aHeader,
                                       const std::u16string& aBody);
  virtual std::u16string ExecutePatch(const std::u16string& aURL, const std::u16string& aBody,
                                      const TStringList* aHeaders);
  virtual std::u16string ExecutePut(const std::u16string& aURL, const std::u16string& aBody,
                                    const TStringList* aHeaders);
  virtual bool ExecutePostEvents(const std::u16string& aURL, const std::u16string& aBody,
                                 const TStringList* aHeaders, const TozkSSEEventHandler& aOnEvent);

  // A client configured for one request (steps 2 to 6 of every verb).
  std::unique_ptr<TozkIdHTTP> MakeClient(const TStringList* aHeaders);
  // PUT and PATCH: aBody in the system's ANSI code page (the reason is at the definition),
  // handed to ASend on a client configured for one request; the answer decoded with the
  // response's charset.
  std::u16string SendTextBody(const std::u16string& aBody, const TStringList* aHeaders,
                              const std::function<std::u16string(TozkIdHTTP&, TStream&)>& ASend);
  // Runs ARequest and shapes its failures.
  std::u16string Run(const std::function<std::u16string()>& ARequest);

  bool FLog = false;
  std::u16string FLogFileName;
  int FReadTimeout = 0;
  std::unique_ptr<TozkIdHTTPTLS_Options> FTLSOptions;
};
