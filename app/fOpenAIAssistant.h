// The assistant window's controller: it owns the assistant component, moves the view's fields
// into it, and runs the window's actions (set-up, Send, upload, presets) synchronously on the
// caller's thread. The fields persist in an INI settings file, read once by FormCreate and
// written once by FormDestroy.
//
// Ownership: the controller owns the component `Assistant`; FAssistant and FThread are
// non-owning references to the component's current objects, valid until the component replaces
// them. The view is not owned and must outlive the controller.
#pragma once

#include <memory>
#include <string>

#include "ai/ozkAI.h"
#include "app/fOpenAIAssistant_View.h"

class TFRMOpenAIAssistant {
 public:
  // aSettingsFileName: the INI file that the settings are read from and written to (normally
  // SettingsFileNameFor the executable).
  TFRMOpenAIAssistant(IOpenAIAssistantView& aView, std::u16string aSettingsFileName);
  ~TFRMOpenAIAssistant();
  TFRMOpenAIAssistant(const TFRMOpenAIAssistant&) = delete;
  TFRMOpenAIAssistant& operator=(const TFRMOpenAIAssistant&) = delete;

  // Loads the settings and, with an API key, sets up the assistant. Any error is shown as
  // "Initialization error: " and its message, and the application is ended.
  void FormCreate();
  // Saves the settings; raises "Unable to write to %s" when the file cannot be written.
  void FormDestroy();

  // The window's events. Each raises its errors, as the toolkit's handlers do; RunEvent is the
  // boundary that shows them.
  void btnCreateAssistantClick();
  void btnSendMessageClick();
  void btnVectorStoreUploadFileClick();
  void cboAssistantChange();

  // The default error display: runs one event handler and shows whatever error it raises in the
  // error box, leaving the window usable. A toolkit's signal handlers call this.
  void RunEvent(void (TFRMOpenAIAssistant::*aHandler)());

  TozkAIOpenAIAssistant& Assistant() { return *FAssistantComponent; }
  const std::u16string& AssistantId() const { return FAssistantId; }
  TozkOpenAIClass_Assistant* CurrentAssistant() const { return FAssistant; }
  TozkOpenAIClass_Thread* CurrentThread() const { return FThread; }
  const std::u16string& SettingsFileName() const { return FSettingsFileName; }

  // Two backslash-n characters become CR LF, then every doubled backslash is removed.
  static std::u16string UnescapeAnswer(const std::u16string& aText);

 private:
  bool SetupAssistant();
  void RefreshVectorStoreFiles();
  void AddLog(const std::u16string& aText);
  void LoadSettings();
  void SaveSettings();

  IOpenAIAssistantView& FView;
  std::u16string FSettingsFileName;
  std::unique_ptr<TozkAIOpenAIAssistant> FAssistantComponent;
  TozkOpenAIClass_Assistant* FAssistant = nullptr;
  TozkOpenAIClass_Thread* FThread = nullptr;
  std::u16string FAssistantId;
};

// The settings file of an executable: its path with the extension replaced by ".ini", or
// ".ini" appended when the name has none.
std::u16string SettingsFileNameFor(const std::u16string& aExecutablePath);
