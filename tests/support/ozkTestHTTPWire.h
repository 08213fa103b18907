// Helpers shared by the HTTP engine and executor tests: reading whole requests on a scripted
// loopback connection, building responses, the scripts of scripted HTTP peers, and text
// conversions for assertions.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/ozkStream.h"
#include "base/ozkText.h"
#include "support/ozkTestLoopback.h"

namespace ozkhttptest {

inline std::string U8(const std::u16string& AText) {
  return UTF16ToUTF8(AText);
}
inline std::u16string U16(std::string_view AText) {
  return UTF8ToUTF16(AText);
}

inline std::string StreamText(TMemoryStream& AStream) {
  return std::string(AStream.Bytes().begin(), AStream.Bytes().end());
}

// One request as the scripted peer read it.
struct TWireRequest {
  std::string Head; // request line and headers, with the final empty line
  std::string Body; // the bytes announced by Content-Length
};

// Reads requests one after another from a scripted connection. Each Next() waits for a whole
// head and then for the body that its Content-Length announces.
class TRequestReader {
 public:
  explicit TRequestReader(ozktest::TTestPeerConnection& AConn) : FConn(AConn) {}

  bool Next(TWireRequest& ARequest, int ATimeoutMs = 3000) {
    if (!FConn.ReadUntil("\r\n\r\n", ATimeoutMs)) return false;
    std::string all = FConn.Received();
    size_t end = all.find("\r\n\r\n", FCursor);
    if (end == std::string::npos) return false;
    ARequest.Head = all.substr(FCursor, end + 4 - FCursor);
    size_t length = 0;
    size_t p = FindHeader(ARequest.Head, "content-length:");
    if (p != std::string::npos) length = std::stoul(ARequest.Head.substr(p + 15));
    FCursor = end + 4;
    if (length > 0) {
      if (!FConn.ReadBytes(length, ATimeoutMs)) return false;
      ARequest.Body = FConn.Received().substr(FCursor, length);
      FCursor += length;
    } else {
      ARequest.Body.clear();
    }
    return true;
  }

  static size_t FindHeader(const std::string& AHead, const std::string& ALowerName) {
    std::string lower;
    for (char c : AHead) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    size_t p = lower.find("\r\n" + ALowerName);
    return p == std::string::npos ? p : p + 2;
  }

 private:
  ozktest::TTestPeerConnection& FConn;
  size_t FCursor = 0;
};

// "HTTP/1.1 <status>" with the given header lines, a Content-Length for ABody (unless
// AContentLength is false) and the body.
inline std::string Response(const std::string& AStatus, const std::vector<std::string>& AHeaders,
                            const std::string& ABody = std::string(), bool AContentLength = true) {
  std::string r = "HTTP/1.1 " + AStatus + "\r\n";
  for (const auto& h : AHeaders) r += h + "\r\n";
  if (AContentLength) r += "Content-Length: " + std::to_string(ABody.size()) + "\r\n";
  r += "\r\n" + ABody;
  return r;
}

// The server's URL with APath ("/x" when none is given), and the Host line a request to it
// carries.
inline std::u16string URL(const ozktest::TTestScriptedServer& AServer,
                          const std::u16string& APath = u"/x") {
  return u"http://127.0.0.1:" + IntToStr(AServer.Port()) + APath;
}
inline std::string HostLine(const ozktest::TTestScriptedServer& AServer) {
  return "Host: 127.0.0.1:" + std::to_string(AServer.Port()) + "\r\n";
}

// Answers every request on a connection with the next of AResponses, shared by all the
// connections of the server; a response with "Connection: close" closes its connection, and a
// connection that has used them all waits for the client to close.
inline ozktest::TTestConnectionScript Serve(std::vector<std::string> AResponses) {
  auto shared = std::make_shared<std::vector<std::string>>(std::move(AResponses));
  auto next = std::make_shared<std::atomic<size_t>>(0);
  return [shared, next](ozktest::TTestPeerConnection& c) {
    TRequestReader reader(c);
    TWireRequest request;
    while (reader.Next(request)) {
      size_t i = (*next)++;
      if (i >= shared->size()) return;
      c.Send((*shared)[i]);
      if ((*shared)[i].find("Connection: close") != std::string::npos) {
        c.Close();
        return;
      }
    }
  };
}

// Reads one request, then runs AReply.
inline ozktest::TTestConnectionScript
AfterRequest(std::function<void(ozktest::TTestPeerConnection&)> AReply) {
  return [AReply](ozktest::TTestPeerConnection& c) {
    TRequestReader reader(c);
    TWireRequest request;
    if (reader.Next(request)) AReply(c);
  };
}

// Answers one request per connection with AReply and closes.
inline ozktest::TTestConnectionScript AnswerOnce(std::string AReply) {
  return AfterRequest([AReply](ozktest::TTestPeerConnection& c) {
    c.Send(AReply);
    c.Close();
  });
}

} // namespace ozkhttptest
