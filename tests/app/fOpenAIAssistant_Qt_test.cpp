// The Qt window, offscreen: captions and initial contents of every control, the view operations
// the controller relies on, and the error box of a button action.
#include "app/fOpenAIAssistant_Qt.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>

#include "base/ozkText.h"
#include "support/ozkTestTLS.h"

namespace {

class QtWindowTest : public ::testing::Test {
 protected:
  template <typename W> W* Get(const char* aName) {
    W* w = FWindow.findChild<W*>(QString::fromLatin1(aName));
    EXPECT_NE(w, nullptr) << aName;
    return w;
  }
  // Answers the next modal box by pressing its default button, and returns its text.
  QString AnswerNextBox(const std::function<void()>& aAction) {
    QString text = QStringLiteral("<no box>");
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        text = box->text();
        box->accept();
      }
    });
    timer.start();
    aAction();
    timer.stop();
    return text;
  }

  ozktest::TTestTempDir FDir;
  TFRMOpenAIAssistantWindow FWindow{UTF8ToUTF16(FDir.Path() + "/ozk-assistant.ini")};
};

TEST_F(QtWindowTest, CaptionsAndInitialContents) {
  EXPECT_EQ(FWindow.windowTitle(), QStringLiteral("OpenAI Assistant - Marrowind Software"));
  EXPECT_EQ(FWindow.size(), QSize(959, 697));

  const std::pair<const char*, const char*> labels[] = {
      {"Label1", "OpenAI API Key:"}, {"Label2", "Name"},          {"Label3", "Instructions"},
      {"Label4", "Model"},           {"Label5", "Temperature"},   {"Label6", "TopP"},
      {"Label7", "Message"},         {"Label8", "Assistant"},     {"Label9", "Vector Store"},
      {"Label10", "Files"},          {"LabelBaseURL", "Base URL"}};
  for (const auto& [name, text] : labels)
    if (auto* l = Get<QLabel>(name)) {
      EXPECT_EQ(l->text(), QString::fromLatin1(text)) << name;
    }
  const std::pair<const char*, const char*> buttons[] = {
      {"btnSendMessage", "Send"},
      {"btnCreateAssistant", "Create Assistant"},
      {"btnVectorStoreUploadFile", "+ Files"},
      {"chkAssistantFileSearch", "File Search"},
      {"chkAssistantCodeInterpreter", "Code Interpreter"}};
  for (const auto& [name, text] : buttons)
    if (auto* b = Get<QAbstractButton>(name)) {
      EXPECT_EQ(b->text(), QString::fromLatin1(text)) << name;
    }

  auto* pageMain = Get<QTabWidget>("pageMain");
  ASSERT_EQ(pageMain->count(), 2);
  EXPECT_EQ(pageMain->tabText(0), QStringLiteral("Log"));
  EXPECT_EQ(pageMain->tabText(1), QStringLiteral("Configuration"));
  EXPECT_EQ(pageMain->currentWidget(), Get<QWidget>("tabConfiguration"));
  auto* pageConfiguration = Get<QTabWidget>("pageConfiguration");
  ASSERT_EQ(pageConfiguration->count(), 1);
  EXPECT_EQ(pageConfiguration->tabText(0), QStringLiteral("Assistant"));

  auto* key = Get<QLineEdit>("txtAPIKey");
  EXPECT_TRUE(key->text().isEmpty());
  key->setText(QStringLiteral("sk-1"));
  EXPECT_EQ(key->displayText(), QStringLiteral("****"));
  EXPECT_TRUE(Get<QLineEdit>("txtBaseURL")->text().isEmpty());
  EXPECT_EQ(Get<QLineEdit>("txtAssistantName")->text(), QStringLiteral("Delphi Math Tutor"));
  EXPECT_EQ(Get<QLineEdit>("txtAssistantModel")->text(), QStringLiteral("gpt-4o-mini"));
  EXPECT_EQ(Get<QLineEdit>("txtVectorStore")->text(), QStringLiteral("ozkVectorStore"));

  auto* presets = Get<QComboBox>("cboAssistant");
  ASSERT_EQ(presets->count(), 2);
  EXPECT_EQ(presets->itemText(0), QStringLiteral("Delphi Math Tutor"));
  EXPECT_EQ(presets->itemText(1), QStringLiteral("Brindlecast HelpDesk"));
  EXPECT_EQ(presets->currentIndex(), 0);
  EXPECT_FALSE(presets->isEditable());
  EXPECT_EQ(Get<QComboBox>("cboVectorStoreFiles")->count(), 0);

  EXPECT_FALSE(Get<QCheckBox>("chkAssistantFileSearch")->isChecked());
  EXPECT_TRUE(Get<QCheckBox>("chkAssistantCodeInterpreter")->isChecked());
  auto* temperature = Get<QSlider>("trackAssistantTemperature");
  EXPECT_EQ(temperature->minimum(), 0);
  EXPECT_EQ(temperature->maximum(), 2);
  EXPECT_EQ(temperature->value(), 1);
  auto* topP = Get<QSlider>("trackAssistantTopP");
  EXPECT_EQ(topP->minimum(), 0);
  EXPECT_EQ(topP->maximum(), 1);
  EXPECT_EQ(topP->value(), 1);

  EXPECT_EQ(FWindow.GetMemoText(amMessage),
            u"I need to solve the equation `3x + 11 = 14`. Can you help me?\r\n");
  EXPECT_EQ(FWindow.GetMemoText(amAssistantInstructions),
            u"You are a personal math tutor. Answer questions briefly, in a sentence or less. When "
            u"asked a question, use Delphi \r\ncode to answer the question.\r\n");
  auto* log = Get<QPlainTextEdit>("memoLog");
  EXPECT_TRUE(log->toPlainText().isEmpty());
  EXPECT_TRUE(log->isReadOnly());
  EXPECT_EQ(log->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_TRUE(QFontInfo(log->font()).fixedPitch());
}

TEST_F(QtWindowTest, ViewOperations) {
  FWindow.SetMemoText(amMessage, u"a\r\nb\r\n");
  EXPECT_EQ(Get<QPlainTextEdit>("memoMessage")->toPlainText(), QStringLiteral("a\nb"));
  EXPECT_EQ(FWindow.GetMemoText(amMessage), u"a\r\nb\r\n");
  FWindow.SetMemoText(amMessage, u"");
  EXPECT_EQ(FWindow.GetMemoText(amMessage), u"");

  FWindow.AddLogEntry(u"[user]: hi\r\n");
  FWindow.AddLogEntry(u"[assistant]: x = 1");
  EXPECT_EQ(Get<QPlainTextEdit>("memoLog")->toPlainText(),
            QStringLiteral("[user]: hi\n\n[assistant]: x = 1\n"));

  FWindow.SetPosition(asTemperature, 5);
  EXPECT_EQ(FWindow.GetPosition(asTemperature), 2);
  FWindow.SetPosition(asTopP, -1);
  EXPECT_EQ(FWindow.GetPosition(asTopP), 0);
  FWindow.SetAssistantIndex(7);
  EXPECT_EQ(FWindow.GetAssistantIndex(), -1);
  FWindow.SetAssistantIndex(1);
  EXPECT_EQ(FWindow.GetAssistantIndex(), 1);

  FWindow.AddVectorStoreFile(u"file-1");
  FWindow.AddVectorStoreFile(u"file-2");
  EXPECT_EQ(FWindow.VectorStoreFileCount(), 2);
  FWindow.ClearVectorStoreFiles();
  EXPECT_EQ(FWindow.VectorStoreFileCount(), 0);

  FWindow.ShowTab(atLog);
  EXPECT_EQ(Get<QTabWidget>("pageMain")->currentWidget(), Get<QWidget>("tabLog"));

  FWindow.ShowBusyCursor();
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  FWindow.ShowNormalCursor();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(QtWindowTest, SendWithoutAssistantShowsTheErrorBoxAndTheWindowStays) {
  FWindow.Controller().FormCreate(); // no key: no assistant
  FWindow.show();
  auto* send = Get<QPushButton>("btnSendMessage");
  EXPECT_EQ(AnswerNextBox([&] { send->click(); }),
            QStringLiteral("Before send a message create an Assistant!!!"));
  EXPECT_TRUE(FWindow.isVisible());
  EXPECT_FALSE(FWindow.Terminated());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  // Still usable: the next action runs and reports again.
  EXPECT_EQ(AnswerNextBox([&] { Get<QPushButton>("btnVectorStoreUploadFile")->click(); }),
            QStringLiteral("Create First an Assistant!!!"));
}

TEST_F(QtWindowTest, SettingsAndUserPresetChoice) {
  FDir.WriteFile("ozk-assistant.ini", "[OPENAI]\nBASE_URL=http://127.0.0.1:9\n"
                                      "[ASSISTANT]\nTYPE=1\nTEMPERATURE=0\n");
  FWindow.Controller().FormCreate();
  EXPECT_EQ(Get<QComboBox>("cboAssistant")->currentIndex(), 1);
  EXPECT_EQ(Get<QLineEdit>("txtAssistantName")->text(), QStringLiteral("Brindlecast HelpDesk"));
  EXPECT_EQ(Get<QLineEdit>("txtBaseURL")->text(), QStringLiteral("http://127.0.0.1:9"));
  EXPECT_EQ(Get<QSlider>("trackAssistantTemperature")->value(), 0);
  EXPECT_TRUE(Get<QCheckBox>("chkAssistantFileSearch")->isChecked());

  // The user's choice in the list applies the preset.
  auto* presets = Get<QComboBox>("cboAssistant");
  presets->setCurrentIndex(0);
  EXPECT_EQ(Get<QLineEdit>("txtAssistantName")->text(), QStringLiteral("Brindlecast HelpDesk"));
  emit presets->activated(0);
  EXPECT_EQ(Get<QLineEdit>("txtAssistantName")->text(), QStringLiteral("Delphi Math Tutor"));
}

} // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
