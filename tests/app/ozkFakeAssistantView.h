// A view for controller tests: holds the window's controls as plain values, starting from the
// window's initial contents, and records what the controller did with them (log entries, error
// boxes, cursor changes, the end of the application).
#pragma once

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/fOpenAIAssistant_View.h"
#include "base/ozkStringList.h"

class TFakeAssistantView : public IOpenAIAssistantView {
 public:
  std::map<TOpenAIAssistantField, std::u16string> Texts{{afAPIKey, u""},
                                                        {afBaseURL, u""},
                                                        {afAssistantName, u"Delphi Math Tutor"},
                                                        {afAssistantModel, u"gpt-4o-mini"},
                                                        {afVectorStore, u"ozkVectorStore"}};
  std::map<TOpenAIAssistantMemo, TStringList> Memos{
      {amMessage, {u"I need to solve the equation `3x + 11 = 14`. Can you help me?"}},
      {amAssistantInstructions,
       {u"You are a personal math tutor. Answer questions briefly, in a sentence or less. When "
        u"asked a question, use Delphi ",
        u"code to answer the question."}}};
  std::vector<std::u16string> Log;
  std::vector<std::u16string> Files;
  int AssistantIndex = 0;
  static constexpr int PresetCount = 2;
  bool FileSearch = false;
  bool CodeInterpreter = true;
  int Temperature = 1;
  int TopP = 1;
  TOpenAIAssistantTab Tab = atConfiguration;
  std::vector<TOpenAIAssistantTab> TabsShown;
  std::optional<std::u16string> FileToChoose; // none: the dialog is cancelled
  int FileDialogs = 0;
  std::vector<std::u16string> Errors;
  int BusyDepth = 0;
  int BusyShown = 0;
  bool Terminated = false;

  // The log pane's text: every entry followed by one line break.
  std::u16string LogText() const {
    std::u16string r;
    for (const auto& e : Log) r += e + u"\r\n";
    return r;
  }
  bool LogHas(const std::u16string& aPart) const {
    return std::any_of(Log.begin(), Log.end(),
                       [&](const std::u16string& e) { return e.find(aPart) != e.npos; });
  }

  std::u16string GetText(TOpenAIAssistantField aField) const override { return Texts.at(aField); }
  void SetText(TOpenAIAssistantField aField, const std::u16string& aText) override {
    Texts[aField] = aText;
  }
  std::u16string GetMemoText(TOpenAIAssistantMemo aMemo) const override {
    return Memos.at(aMemo).Text();
  }
  void SetMemoText(TOpenAIAssistantMemo aMemo, const std::u16string& aText) override {
    Memos[aMemo].SetText(aText);
  }
  void AddLogEntry(const std::u16string& aText) override { Log.push_back(aText); }
  void ClearVectorStoreFiles() override { Files.clear(); }
  void AddVectorStoreFile(const std::u16string& aFileId) override { Files.push_back(aFileId); }
  int VectorStoreFileCount() const override { return static_cast<int>(Files.size()); }
  int GetAssistantIndex() const override { return AssistantIndex; }
  void SetAssistantIndex(int aIndex) override {
    AssistantIndex = aIndex >= 0 && aIndex < PresetCount ? aIndex : -1;
  }
  bool GetChecked(TOpenAIAssistantCheck aCheck) const override {
    return aCheck == acFileSearch ? FileSearch : CodeInterpreter;
  }
  void SetChecked(TOpenAIAssistantCheck aCheck, bool aValue) override {
    (aCheck == acFileSearch ? FileSearch : CodeInterpreter) = aValue;
  }
  int GetPosition(TOpenAIAssistantSlider aSlider) const override {
    return aSlider == asTemperature ? Temperature : TopP;
  }
  void SetPosition(TOpenAIAssistantSlider aSlider, int aValue) override {
    if (aSlider == asTemperature)
      Temperature = std::clamp(aValue, 0, 2);
    else
      TopP = std::clamp(aValue, 0, 1);
  }
  void ShowTab(TOpenAIAssistantTab aTab) override {
    Tab = aTab;
    TabsShown.push_back(aTab);
  }
  bool ChooseFile(std::u16string& aFileName) override {
    ++FileDialogs;
    if (!FileToChoose) return false;
    aFileName = *FileToChoose;
    return true;
  }
  void ShowError(const std::u16string& aMessage) override { Errors.push_back(aMessage); }
  void ShowBusyCursor() override {
    ++BusyDepth;
    ++BusyShown;
  }
  void ShowNormalCursor() override { --BusyDepth; }
  void Terminate() override { Terminated = true; }
};
