// The view that the assistant window's controller drives: the few operations it needs of a
// window toolkit, by control. The Qt window implements it; tests use a fake. Nothing here
// depends on a toolkit.
#pragma once

#include <string>

// Single-line text fields.
enum TOpenAIAssistantField {
  afAPIKey,         // txtAPIKey, shown masked
  afBaseURL,        // the server's origin; empty means the public service
  afAssistantName,  // txtAssistantName
  afAssistantModel, // txtAssistantModel
  afVectorStore,    // txtVectorStore
};

// Multi-line text fields. Their whole text is every line followed by CR LF.
enum TOpenAIAssistantMemo {
  amMessage,               // memoMessage
  amAssistantInstructions, // memoAssistantInstructions
};

enum TOpenAIAssistantCheck {
  acFileSearch,      // chkAssistantFileSearch
  acCodeInterpreter, // chkAssistantCodeInterpreter
};

enum TOpenAIAssistantSlider {
  asTemperature, // trackAssistantTemperature, 0 to 2
  asTopP,        // trackAssistantTopP, 0 to 1
};

enum TOpenAIAssistantTab {
  atLog,           // tabLog
  atConfiguration, // tabConfiguration
};

class IOpenAIAssistantView {
 public:
  virtual ~IOpenAIAssistantView() = default;

  virtual std::u16string GetText(TOpenAIAssistantField aField) const = 0;
  virtual void SetText(TOpenAIAssistantField aField, const std::u16string& aText) = 0;
  // Every line followed by CR LF ("" for an empty field).
  virtual std::u16string GetMemoText(TOpenAIAssistantMemo aMemo) const = 0;
  // Splits at CR LF, LF or CR; a final line break makes no empty last line; "" clears.
  virtual void SetMemoText(TOpenAIAssistantMemo aMemo, const std::u16string& aText) = 0;

  // Adds aText followed by one line break to the log pane.
  virtual void AddLogEntry(const std::u16string& aText) = 0;

  virtual void ClearVectorStoreFiles() = 0;
  virtual void AddVectorStoreFile(const std::u16string& aFileId) = 0;
  virtual int VectorStoreFileCount() const = 0;

  // The preset list (cboAssistant); an index that names no item leaves none selected (-1).
  virtual int GetAssistantIndex() const = 0;
  virtual void SetAssistantIndex(int aIndex) = 0;

  virtual bool GetChecked(TOpenAIAssistantCheck aCheck) const = 0;
  virtual void SetChecked(TOpenAIAssistantCheck aCheck, bool aValue) = 0;
  // Setting clamps into the slider's range.
  virtual int GetPosition(TOpenAIAssistantSlider aSlider) const = 0;
  virtual void SetPosition(TOpenAIAssistantSlider aSlider, int aValue) = 0;

  virtual void ShowTab(TOpenAIAssistantTab aTab) = 0;
  // Any file, no filter. False when the user cancelled; otherwise aFileName is a full path.
  virtual bool ChooseFile(std::u16string& aFileName) = 0;
  // A modal box with one OK button.
  virtual void ShowError(const std::u16string& aMessage) = 0;
  virtual void ShowBusyCursor() = 0;
  virtual void ShowNormalCursor() = 0;
  // Ends the application once control returns to the event loop.
  virtual void Terminate() = 0;
};
