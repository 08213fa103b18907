// The window controller over a fake view, without a service: presets, unescaping, the guards of
// the button actions shown through the error display, and a start-up that cannot reach its
// server.
#include "app/fOpenAIAssistant.h"

#include <gtest/gtest.h>

#include "app/ozkFakeAssistantView.h"
#include "base/ozkIniFile.h"
#include "base/ozkText.h"
#include "support/ozkTestPeers.h"
#include "support/ozkTestTLS.h"

namespace {

class ControllerTest : public ::testing::Test {
 protected:
  std::u16string IniPath() const { return UTF8ToUTF16(FDir.Path() + "/ozk-assistant.ini"); }

  ozktest::TTestTempDir FDir;
  TFakeAssistantView FView;
  TFRMOpenAIAssistant FController{FView, IniPath()};
};

TEST(UnescapeAnswer, LineBreaksAndDoubledBackslashes) {
  struct {
    std::u16string in, out;
  } cases[] = {
      {u"x = 1", u"x = 1"},
      {u"one\\ntwo", u"one\r\ntwo"},
      {u"a\\\\b", u"ab"},                     // a doubled backslash disappears
      {u"\\\\n", u"\\\r\n"},                  // the first pass wins: "\" then the "\n" break
      {u"\\\\\\\\", u""},                     // two pairs, both removed
      {u"say \\\"hi\\\"", u"say \\\"hi\\\""}, // other escapes stay as they arrived
      {u"tab\\t \\u00e9", u"tab\\t \\u00e9"},
      {u"\\N is not \\n", u"\\N is not \r\n"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TFRMOpenAIAssistant::UnescapeAnswer(c.in), c.out) << UTF16ToUTF8(c.in);
}

TEST_F(ControllerTest, PresetsFillNameInstructionsToolsAndMessageOnly) {
  FView.Texts[afAssistantModel] = u"my-model";
  FView.Texts[afVectorStore] = u"store";
  FView.Temperature = 2;
  FView.TopP = 0;

  FView.AssistantIndex = 1;
  FController.cboAssistantChange();
  EXPECT_EQ(FView.Texts[afAssistantName], u"Brindlecast HelpDesk");
  EXPECT_EQ(FView.Memos[amAssistantInstructions].Count(), 1);
  EXPECT_TRUE(FView.FileSearch);
  EXPECT_FALSE(FView.CodeInterpreter);
  EXPECT_EQ(FView.Memos[amMessage][0].substr(0, 26), u"Create a Delphi WebSocketC");

  FView.AssistantIndex = 0;
  FController.cboAssistantChange();
  EXPECT_EQ(FView.Texts[afAssistantName], u"Delphi Math Tutor");
  EXPECT_EQ(FView.Memos[amAssistantInstructions].Text(),
            u"You are a personal math tutor. Answer questions briefly, in a sentence or less. When "
            u"asked a question, use Delphicode to answer the question.\r\n");
  EXPECT_FALSE(FView.FileSearch);
  EXPECT_TRUE(FView.CodeInterpreter);
  EXPECT_EQ(FView.Memos[amMessage].Text(),
            u"I need to solve the equation `3x + 11 = 14`. Can you help me?\r\n");

  FView.Texts[afAssistantName] = u"kept";
  FView.AssistantIndex = -1;
  FController.cboAssistantChange();
  EXPECT_EQ(FView.Texts[afAssistantName], u"kept");

  // A preset never touches the model, the sliders or the store's name.
  EXPECT_EQ(FView.Texts[afAssistantModel], u"my-model");
  EXPECT_EQ(FView.Texts[afVectorStore], u"store");
  EXPECT_EQ(FView.Temperature, 2);
  EXPECT_EQ(FView.TopP, 0);
}

TEST_F(ControllerTest, ButtonGuardsAreShownAndLeaveTheWindowUsable) {
  FController.FormCreate(); // no key: nothing set up
  struct {
    void (TFRMOpenAIAssistant::*handler)();
    const char16_t* message;
  } cases[] = {
      {&TFRMOpenAIAssistant::btnSendMessageClick, u"Before send a message create an Assistant!!!"},
      {&TFRMOpenAIAssistant::btnVectorStoreUploadFileClick, u"Create First an Assistant!!!"},
      {&TFRMOpenAIAssistant::btnCreateAssistantClick, u"Set First the OpenAI API Key!!!"},
  };
  for (const auto& c : cases) {
    FView.Errors.clear();
    FController.RunEvent(c.handler);
    EXPECT_EQ(FView.Errors, std::vector<std::u16string>{c.message});
  }
  EXPECT_TRUE(FView.Log.empty()); // the guards come before the user's line is logged
  EXPECT_EQ(FView.FileDialogs, 0);
  EXPECT_EQ(FView.BusyShown, 0);
  EXPECT_FALSE(FView.Terminated);
  EXPECT_FALSE(FController.Assistant().HasOpenAI());
}

TEST_F(ControllerTest, StartUpThatCannotReachItsServerEndsTheApplication) {
  const uint16_t port = ozktest::PickFreeLoopbackPort(); // nothing listens there
  ozktest::TTestTempDir work;
  FDir.WriteFile("ozk-assistant.ini", "[OPENAI]\nAPI_KEY=sk-test\nBASE_URL=http://127.0.0.1:" +
                                          std::to_string(port) + "\n[ASSISTANT]\nID=asst_old\n");
  FController.Assistant().OpenAIOptions().LogOptions().SetFileName(
      UTF8ToUTF16(work.Path() + "/openai.txt"));
  FController.FormCreate();
  ASSERT_EQ(FView.Errors.size(), 1u);
  EXPECT_EQ(FView.Errors[0].rfind(u"Initialization error: ", 0), 0u)
      << UTF16ToUTF8(FView.Errors[0]);
  EXPECT_GT(FView.Errors[0].size(), std::u16string(u"Initialization error: ").size());
  EXPECT_TRUE(FView.Terminated);
  EXPECT_EQ(FView.TabsShown, std::vector<TOpenAIAssistantTab>{atLog});
  EXPECT_EQ(FController.CurrentAssistant(), nullptr);
  // The window is destroyed in the ordinary way: the settings are written, the id cleared.
  FController.FormDestroy();
  TIniFile ini(IniPath());
  EXPECT_EQ(ini.ReadString(u"ASSISTANT", u"ID", u"<missing>"), u"");
  EXPECT_EQ(ini.ReadString(u"OPENAI", u"API_KEY", u""), u"sk-test");
}

} // namespace
