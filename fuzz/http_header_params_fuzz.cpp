// Fuzz target: header items and parameters. An arbitrary header value is split into its
// parameters; a parameter set with SetHeaderParam must read back as set, and the other
// parameters of the value must keep their values.
#include <fuzzer/FuzzedDataProvider.h>

#include "base/ozkText.h"
#include "fuzz/ozkFuzzCheck.h"
#include "http/ozkIdGlobalProtocols.h"

namespace {

// A parameter name the writer can put on a line as it is: letters, digits, "-" and "_".
bool IsToken(std::u16string_view aName) {
  if (aName.empty()) return false;
  for (char16_t c : aName)
    if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
          c == u'-' || c == u'_'))
      return false;
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  FuzzedDataProvider input(aData, aSize);
  const auto quoting = static_cast<TIdHeaderQuotingType>(input.ConsumeIntegralInRange(0, 3));
  const std::u16string name = UTF8ToUTF16(input.ConsumeRandomLengthString(32));
  const std::u16string value = UTF8ToUTF16(input.ConsumeRandomLengthString(256));
  const std::u16string line = UTF8ToUTF16(input.ConsumeRemainingBytesAsString());

  const auto params = SplitHeaderSubItems(line, quoting);
  for (const auto& p : params)
    if (p.Name.empty()) ozkfuzz::Fail("a parameter without a name");
  (void)GetHeaderItem(line);
  (void)GetMediaType(line);
  (void)GetMediaSubType(line);
  (void)MediaTypeIs(line, u"multipart");
  std::u16string old;
  (void)TakeHeaderParam(line, name, quoting, old);

  if (!IsToken(name) || Trim(value).empty()) return 0;
  const std::u16string set = SetHeaderParam(line, name, value, quoting);
  const std::u16string back = GetHeaderParam(set, name, quoting);
  if (back != value)
    ozkfuzz::Fail("a parameter set does not read back",
                  "[" + UTF16ToUTF8(set) + "] gives [" + UTF16ToUTF8(back) + "]");
  for (const auto& p : params) {
    if (!IsToken(p.Name) || SameText(p.Name, name)) continue;
    const std::u16string was = GetHeaderParam(line, p.Name, quoting);
    const std::u16string now = GetHeaderParam(set, p.Name, quoting);
    if (now != was)
      ozkfuzz::Fail("setting one parameter changed another",
                    UTF16ToUTF8(p.Name) + ": [" + UTF16ToUTF8(line) + "] -> [" + UTF16ToUTF8(set) +
                        "]: \"" + UTF16ToUTF8(was) + "\" became \"" + UTF16ToUTF8(now) +
                        "\" (quoting " + std::to_string(quoting) + ")");
  }
  return 0;
}
