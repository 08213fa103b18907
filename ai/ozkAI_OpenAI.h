// AI component base: the OpenAI client options of a component and the REST client that it
// creates on first use and refreshes from those options before every operation.
//
// Ownership: the component owns its options object and its client; the client has no owner of
// its own and lives until the component is destroyed. References handed out by OpenAIOptions()
// stay valid for the component's life.
#pragma once

#include <functional>
#include <memory>

#include "base/ozkBase_Classes.h"
#include "openai/ozkHTTP_API_OpenAI.h"

class TozkAI_OpenAI_Base : public TozkComponent_Base {
 public:
  explicit TozkAI_OpenAI_Base(TComponent* aOwner = nullptr);
  ~TozkAI_OpenAI_Base() override;

  // Changed in place by callers (the window sets ApiKey this way); the setter copies every
  // value of aValue and keeps no reference to it.
  TozkHTTPOpenAI_Options& OpenAIOptions() { return *FOpenAIOptions; }
  const TozkHTTPOpenAI_Options& OpenAIOptions() const { return *FOpenAIOptions; }
  void SetOpenAIOptions(const TozkHTTPOpenAI_Options& aValue);

  // Whether the client exists yet (it does not until the first operation).
  bool HasOpenAI() const { return FOpenAI != nullptr; }

  // Called once, right after the client is created, before its first request: the place to
  // set what the client options do not carry (the executor's TLS trust store, its error event).
  // The client stays owned by the component.
  std::function<void(TozkHTTP_API_OpenAI& aClient)> OnCreateOpenAI;

 protected:
  // The client, created on the first call; every call copies FOpenAIOptions into it, so option
  // changes made between two operations take effect at the next one.
  TozkHTTP_API_OpenAI* GetOpenAI();
  // Makes the client that GetOpenAI keeps; subclasses (and tests) may give one of their own.
  virtual std::unique_ptr<TozkHTTP_API_OpenAI> DoCreateOpenAI();

 private:
  std::unique_ptr<TozkHTTPOpenAI_Options> FOpenAIOptions;
  std::unique_ptr<TozkHTTP_API_OpenAI> FOpenAI;
};
