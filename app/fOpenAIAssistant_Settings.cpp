// The assistant window's settings file: sections "OPENAI" and "ASSISTANT" of an INI file next to
// the executable, read while the window is created and written while it is destroyed.
//
// The instructions are stored as the field's lines joined by CR LF (the whole text without its
// final line break), so a one-line value is stored verbatim and a multi-line one goes through the
// INI file's quoting and reads back line for line.
#include "app/fOpenAIAssistant.h"

#include "base/ozkIniFile.h"

namespace {

constexpr char16_t SectionOpenAI[] = u"OPENAI";
constexpr char16_t SectionAssistant[] = u"ASSISTANT";

std::u16string WithoutFinalLineBreak(const std::u16string& aText) {
  if (aText.ends_with(u"\r\n")) return aText.substr(0, aText.size() - 2);
  return aText;
}

} // namespace

void TFRMOpenAIAssistant::LoadSettings() {
  TIniFile ini(FSettingsFileName);
  FView.SetText(afAPIKey, ini.ReadString(SectionOpenAI, u"API_KEY", u""));
  FView.SetText(afBaseURL, ini.ReadString(SectionOpenAI, u"BASE_URL", u""));
  FAssistantId = ini.ReadString(SectionAssistant, u"ID", u"");

  // The preset first, so that stored values win over it and missing keys keep its values.
  FView.SetAssistantIndex(ini.ReadInteger(SectionAssistant, u"TYPE", 0));
  cboAssistantChange();

  FView.SetText(afAssistantName,
                ini.ReadString(SectionAssistant, u"NAME", FView.GetText(afAssistantName)));
  if (ini.ValueExists(SectionAssistant, u"INSTRUCTIONS")) {
    const std::u16string stored = ini.ReadString(SectionAssistant, u"INSTRUCTIONS", u"");
    FView.SetMemoText(amAssistantInstructions, stored.empty() ? stored : stored + u"\r\n");
  }
  FView.SetText(afAssistantModel,
                ini.ReadString(SectionAssistant, u"MODEL", FView.GetText(afAssistantModel)));
  FView.SetChecked(acFileSearch,
                   ini.ReadBool(SectionAssistant, u"FILE_SEARCH", FView.GetChecked(acFileSearch)));
  FView.SetChecked(acCodeInterpreter, ini.ReadBool(SectionAssistant, u"CODE_INTERPRETER",
                                                   FView.GetChecked(acCodeInterpreter)));
  FView.SetPosition(asTemperature, ini.ReadInteger(SectionAssistant, u"TEMPERATURE",
                                                   FView.GetPosition(asTemperature)));
  FView.SetPosition(asTopP, ini.ReadInteger(SectionAssistant, u"TOPP", FView.GetPosition(asTopP)));
}

void TFRMOpenAIAssistant::SaveSettings() {
  TIniFile ini(FSettingsFileName);
  ini.WriteString(SectionOpenAI, u"API_KEY", FView.GetText(afAPIKey));
  const std::u16string baseURL = FView.GetText(afBaseURL);
  if (baseURL.empty())
    ini.DeleteKey(SectionOpenAI, u"BASE_URL");
  else
    ini.WriteString(SectionOpenAI, u"BASE_URL", baseURL);
  ini.WriteString(SectionAssistant, u"ID", FAssistant ? FAssistant->Id() : std::u16string());
  ini.WriteInteger(SectionAssistant, u"TYPE", FView.GetAssistantIndex());
  ini.WriteString(SectionAssistant, u"NAME", FView.GetText(afAssistantName));
  ini.WriteString(SectionAssistant, u"INSTRUCTIONS",
                  WithoutFinalLineBreak(FView.GetMemoText(amAssistantInstructions)));
  ini.WriteString(SectionAssistant, u"MODEL", FView.GetText(afAssistantModel));
  ini.WriteBool(SectionAssistant, u"FILE_SEARCH", FView.GetChecked(acFileSearch));
  ini.WriteBool(SectionAssistant, u"CODE_INTERPRETER", FView.GetChecked(acCodeInterpreter));
  ini.WriteInteger(SectionAssistant, u"TEMPERATURE", FView.GetPosition(asTemperature));
  ini.WriteInteger(SectionAssistant, u"TOPP", FView.GetPosition(asTopP));
  ini.UpdateFile();
}
