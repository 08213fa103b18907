// The assistant component as programs place it: the registered class over the workflow.
#pragma once

#include "ai/ozkAI_OpenAI_Audio_Assistant.h"

class TozkAIOpenAIAssistant : public TozkAI_OpenAI_Assistant {
 public:
  explicit TozkAIOpenAIAssistant(TComponent* aOwner = nullptr) : TozkAI_OpenAI_Assistant(aOwner) {}
};
