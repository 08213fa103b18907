// The assistant window in Qt 6 Widgets: the controls of the view with their captions and initial
// contents, laid out as a resizable desktop tool, and the view operations the controller drives.
// The window owns its controller; every control carries its name as its Qt object name.
#pragma once

#include <QWidget>
#include <memory>

#include "app/fOpenAIAssistant.h"
#include "app/fOpenAIAssistant_View.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QTabWidget;

class TFRMOpenAIAssistantWindow : public QWidget, public IOpenAIAssistantView {
 public:
  // Builds the controls with their initial contents; the settings are not read until
  // Controller().FormCreate().
  explicit TFRMOpenAIAssistantWindow(std::u16string aSettingsFileName, QWidget* aParent = nullptr);
  ~TFRMOpenAIAssistantWindow() override;

  TFRMOpenAIAssistant& Controller() { return *FController; }
  // Whether the controller asked the application to end.
  bool Terminated() const { return FTerminated; }
  // The client area's size as the window opens, and the move that centres it on its screen.
  static constexpr int ClientWidth = 959;
  static constexpr int ClientHeight = 697;
  void CenterOnScreen();

  // IOpenAIAssistantView
  std::u16string GetText(TOpenAIAssistantField aField) const override;
  void SetText(TOpenAIAssistantField aField, const std::u16string& aText) override;
  std::u16string GetMemoText(TOpenAIAssistantMemo aMemo) const override;
  void SetMemoText(TOpenAIAssistantMemo aMemo, const std::u16string& aText) override;
  void AddLogEntry(const std::u16string& aText) override;
  void ClearVectorStoreFiles() override;
  void AddVectorStoreFile(const std::u16string& aFileId) override;
  int VectorStoreFileCount() const override;
  int GetAssistantIndex() const override;
  void SetAssistantIndex(int aIndex) override;
  bool GetChecked(TOpenAIAssistantCheck aCheck) const override;
  void SetChecked(TOpenAIAssistantCheck aCheck, bool aValue) override;
  int GetPosition(TOpenAIAssistantSlider aSlider) const override;
  void SetPosition(TOpenAIAssistantSlider aSlider, int aValue) override;
  void ShowTab(TOpenAIAssistantTab aTab) override;
  bool ChooseFile(std::u16string& aFileName) override;
  void ShowError(const std::u16string& aMessage) override;
  void ShowBusyCursor() override;
  void ShowNormalCursor() override;
  void Terminate() override;

 private:
  QWidget* BuildLogTab();
  QWidget* BuildConfigurationTab();
  QWidget* BuildAssistantTab();
  QWidget* BuildMessageArea();
  QLineEdit* Field(TOpenAIAssistantField aField) const;
  QPlainTextEdit* Memo(TOpenAIAssistantMemo aMemo) const;

  QTabWidget* pageMain = nullptr;
  QWidget* tabLog = nullptr;
  QWidget* tabConfiguration = nullptr;
  QPlainTextEdit* memoLog = nullptr;
  QLineEdit* txtAPIKey = nullptr;
  QLineEdit* txtBaseURL = nullptr;
  QTabWidget* pageConfiguration = nullptr;
  QWidget* tabAssistant = nullptr;
  QComboBox* cboAssistant = nullptr;
  QPushButton* btnCreateAssistant = nullptr;
  QLineEdit* txtAssistantName = nullptr;
  QPlainTextEdit* memoAssistantInstructions = nullptr;
  QLineEdit* txtAssistantModel = nullptr;
  QCheckBox* chkAssistantFileSearch = nullptr;
  QCheckBox* chkAssistantCodeInterpreter = nullptr;
  QLineEdit* txtVectorStore = nullptr;
  QComboBox* cboVectorStoreFiles = nullptr;
  QPushButton* btnVectorStoreUploadFile = nullptr;
  QSlider* trackAssistantTemperature = nullptr;
  QSlider* trackAssistantTopP = nullptr;
  QPlainTextEdit* memoMessage = nullptr;
  QPushButton* btnSendMessage = nullptr;

  bool FTerminated = false;
  int FBusyDepth = 0;
  std::unique_ptr<TFRMOpenAIAssistant> FController;
};
