// The request executor's streaming POST: the answer's body goes through an event-stream reader
// as it arrives instead of into memory.
#include "http/ozkHTTP_API.h"

#include "base/ozkText.h"
#include "net/ozkIdGlobal.h"

bool TozkHTTPAPI_client::PostEvents(const std::u16string& aURL, const std::u16string& aBody,
                                    const TStringList* aHeaders,
                                    const TozkSSEEventHandler& aOnEvent) {
  return ExecutePostEvents(aURL, aBody, aHeaders, aOnEvent);
}

bool TozkHTTPAPI_client::ExecutePostEvents(const std::u16string& aURL, const std::u16string& aBody,
                                           const TStringList* aHeaders,
                                           const TozkSSEEventHandler& aOnEvent) {
  bool lDone = false;
  Run([&] {
    auto http = MakeClient(aHeaders);
    http->Request().SetAccept(u"text/event-stream");
    // HTTP/1.1, so the server may send the events as chunks on a connection it keeps open.
    http->SetProtocolVersion(pv1_1);
    TIdHTTPOptions options = http->HTTPOptions();
    http->SetHTTPOptions(options.Include(hoKeepOrigProtocol));
    TMemoryStream body;
    TIdBytes bytes = TextToBytes(aBody, TextEncodingOfKind(tekUTF8));
    if (!bytes.empty()) body.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    body.SetPosition(0);

    TozkSSEReader reader(aOnEvent);
    // Only the body of the answer itself is events: not that of a redirect on the way.
    TozkSSEStream events(reader, [&] {
      int code = http->Response().ResponseCode();
      return code >= 200 && code < 300;
    });
    std::u16string detail;
    try {
      http->Post(aURL, body, &events);
    } catch (const TozkSSEFinished&) {
      // Read up to the final event; the rest of the body is of no interest.
    } catch (const EIdConnClosedGracefully&) {
      // The server closed inside the body: the same as a body that ends too early.
    } catch (const EIdHTTPMalformedReply& e) {
      // A body cut short after the events began (the engine's framing checks) is a stream that
      // ended early too; a reply broken before its body keeps the engine's own error.
      if (events.Size() == 0) throw;
      detail = u" " + e.Message();
    }
    if (!reader.Done()) {
      std::u16string type = http->Response().ContentType();
      if (!type.empty() && LowerCase(type).find(u"text/event-stream") == std::u16string::npos)
        detail = u" The answer was " + type + u", not an event stream.";
      throw EIdSSEError(u"The event stream ended before its final event." + detail);
    }
    lDone = true;
    return std::u16string();
  });
  return lDone;
}
