// Fuzz target: URI parsing. An arbitrary text is split into its parts; joining the parts again
// and splitting the result must give the same parts. The encoders and the decoder must take
// any text.
#include "base/ozkText.h"
#include "fuzz/ozkFuzzCheck.h"
#include "http/ozkIdURI.h"

namespace {

// The parts of aURI; a port equal to the scheme's default stands as none, as the join omits it.
std::string Parts(const TIdURI& aURI) {
  std::u16string port = aURI.Port();
  int64_t number = 0;
  const int defaultPort = TIdURI::DefaultPort(aURI.Protocol());
  if (defaultPort != 0 && TryStrToInt64(port, number) && number == defaultPort) port.clear();
  return UTF16ToUTF8(u"protocol[" + aURI.Protocol() + u"] user[" + aURI.Username() +
                     u"] password[" + aURI.Password() + u"] host[" + aURI.Host() + u"] port[" +
                     port + u"] path[" + aURI.Path() + u"] document[" + aURI.Document() +
                     u"] params[" + aURI.Params() + u"] bookmark[" + aURI.Bookmark() + u"]");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  const std::u16string text = UTF8ToUTF16(aData, aSize);
  (void)TIdURI::URLDecode(text);
  try {
    (void)TIdURI::URLEncode(text); // parses: no scheme or host raises EIdURIException
  } catch (const EIdURIException&) {
  }
  (void)TIdURI::ParamsEncode(text);
  (void)TIdURI::PathEncode(text);
  (void)TIdURI::NormalizePath(text);

  TIdURI first(text);
  std::u16string joined;
  try {
    joined = first.GetFullURI();
  } catch (const EIdURIException&) {
    return 0; // no scheme or no host: nothing to join
  }
  (void)first.URI();
  (void)first.GetPathAndParams();
  TIdURI second(joined);
  if (Parts(first) != Parts(second))
    ozkfuzz::Fail("joined URI splits differently",
                  UTF16ToUTF8(joined) + "\n  " + Parts(first) + "\n  " + Parts(second));
  return 0;
}
