#include "ai/ozkAI_OpenAI.h"

TozkAI_OpenAI_Base::TozkAI_OpenAI_Base(TComponent* aOwner)
    : TozkComponent_Base(aOwner), FOpenAIOptions(std::make_unique<TozkHTTPOpenAI_Options>()) {}

TozkAI_OpenAI_Base::~TozkAI_OpenAI_Base() = default;

void TozkAI_OpenAI_Base::SetOpenAIOptions(const TozkHTTPOpenAI_Options& aValue) {
  FOpenAIOptions->Assign(aValue);
}

std::unique_ptr<TozkHTTP_API_OpenAI> TozkAI_OpenAI_Base::DoCreateOpenAI() {
  return std::make_unique<TozkHTTP_API_OpenAI>(nullptr);
}

TozkHTTP_API_OpenAI* TozkAI_OpenAI_Base::GetOpenAI() {
  if (!FOpenAI) {
    std::unique_ptr<TozkHTTP_API_OpenAI> lClient = DoCreateOpenAI();
    if (OnCreateOpenAI) OnCreateOpenAI(*lClient);
    FOpenAI = std::move(lClient);
  }
  FOpenAI->SetOpenAIOptions(*FOpenAIOptions);
  return FOpenAI.get();
}
