// Copy rules of the assistant's options and tools.
#include "ai/ozkAI_OpenAI_Audio_Assistant.h"

void TozkAI_OpenAI_Assistant_Tools_Base::Assign(const TPersistent& aSource) {
  if (auto* lSource = dynamic_cast<const TozkAI_OpenAI_Assistant_Tools_Base*>(&aSource)) {
    FEnabled = lSource->FEnabled;
    return;
  }
  TPersistent::Assign(aSource);
}

TozkAI_OpenAI_Assistant_Tools::TozkAI_OpenAI_Assistant_Tools()
    : FFileSearch(std::make_unique<TozkAI_OpenAI_Assistant_Tools_FileSearch>()),
      FCodeInterpreter(std::make_unique<TozkAI_OpenAI_Assistant_Tools_CodeInterpreter>()),
      FFunctions(std::make_unique<TozkAI_OpenAI_Assistant_Tools_Functions>()) {}

TozkAI_OpenAI_Assistant_Tools::~TozkAI_OpenAI_Assistant_Tools() = default;

void TozkAI_OpenAI_Assistant_Tools::Assign(const TPersistent& aSource) {
  if (auto* lSource = dynamic_cast<const TozkAI_OpenAI_Assistant_Tools*>(&aSource)) {
    FFileSearch->Assign(*lSource->FFileSearch);
    FCodeInterpreter->Assign(*lSource->FCodeInterpreter);
    FFunctions->Assign(*lSource->FFunctions);
    return;
  }
  TPersistent::Assign(aSource);
}

TozkAI_OpenAI_Assistant_Options::TozkAI_OpenAI_Assistant_Options()
    : FInstructions(std::make_unique<TStringList>()),
      FTools(std::make_unique<TozkAI_OpenAI_Assistant_Tools>()) {}

TozkAI_OpenAI_Assistant_Options::~TozkAI_OpenAI_Assistant_Options() = default;

void TozkAI_OpenAI_Assistant_Options::Assign(const TPersistent& aSource) {
  if (auto* lSource = dynamic_cast<const TozkAI_OpenAI_Assistant_Options*>(&aSource)) {
    FName = lSource->FName;
    FInstructions->Assign(*lSource->FInstructions);
    FModel = lSource->FModel;
    FTools->Assign(*lSource->FTools);
    FTemperature = lSource->FTemperature;
    FTopP = lSource->FTopP;
    return;
  }
  TPersistent::Assign(aSource);
}
