// Test peers of the REST client tests: a loopback HTTP server that records every request it
// reads (request line, header lines in order, body) and answers each from a responder the test
// gives, and Python's standard-library multipart parser run on a recorded body.
//
// The server binds 127.0.0.1 on port 0 and listens when its constructor returns. It serves one
// connection at a time, one request per connection (it answers with "Connection: close"), and
// records a request before answering it, so once a client call returns its request is there.
// Every read is bounded; the destructor stops the server.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ozktest {

struct TRecordedRequest {
  std::string Method;
  std::string Target; // path and query as sent
  std::vector<std::string> HeaderLines;
  std::string Body; // Content-Length or chunked body, decoded
  // The value of the first header named aName (any letter case), empty when absent.
  std::string Header(const std::string& aName) const;
  // The header lines whose names are in aNames (any letter case), in wire order.
  std::vector<std::string> LinesNamed(const std::vector<std::string>& aNames) const;
};

struct TCannedResponse {
  int Status = 200;
  std::string Reason = "OK";
  std::string Body = "{}";
  std::string ContentType = "application/json";
};

class TOpenAIRecordingServer {
 public:
  // aIndex counts the requests from 0.
  using TResponder = std::function<TCannedResponse(const TRecordedRequest& aRequest, int aIndex)>;

  // Without a responder every request gets 200 and "{}".
  explicit TOpenAIRecordingServer(TResponder aResponder = nullptr);
  ~TOpenAIRecordingServer();
  TOpenAIRecordingServer(const TOpenAIRecordingServer&) = delete;
  TOpenAIRecordingServer& operator=(const TOpenAIRecordingServer&) = delete;

  uint16_t Port() const { return FPort; }
  // "http://127.0.0.1:<port>"
  std::u16string Origin() const;
  int Count() const;
  TRecordedRequest Request(int aIndex) const;
  void Clear();

 private:
  void Serve();
  void ServeConnection(int aFd);

  TResponder FResponder;
  int FListener = -1;
  int FWake[2] = {-1, -1};
  uint16_t FPort = 0;
  std::atomic<bool> FStopping{false};
  mutable std::mutex FLock;
  std::vector<TRecordedRequest> FRequests;
  std::thread FThread;
};

// One part of a multipart body as Python's email parser decoded it.
struct TParsedPart {
  std::string Name, FileName, ContentType, Data;
};

// Parses aBody (with the request's aContentType) with tests/http/multipart_parse.py. A body the
// parser rejects adds a test failure and gives what was parsed.
std::vector<TParsedPart> ParseMultipart(const std::string& aBody, const std::string& aContentType);

// Bytes of a file.
std::string ReadFileBytes(const std::string& aPath);

} // namespace ozktest
