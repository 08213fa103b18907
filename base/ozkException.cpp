#include "base/ozkException.h"

#include "base/ozkText.h"

Exception::Exception(std::u16string aMessage)
    : FMessage(std::move(aMessage)), FWhat(UTF16ToUTF8(FMessage)) {}

Exception::~Exception() = default;

void Exception::SetMessage(std::u16string aMessage) {
  FMessage = std::move(aMessage);
  FWhat = UTF16ToUTF8(FMessage);
}

const char* Exception::what() const noexcept {
  return FWhat.c_str();
}
