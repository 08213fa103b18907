// The window controller against the bundled service over plain HTTP: a stored id the service
// no longer knows, a help desk without files, a run that does not finish in time, and errors of
// the service shown with the window left usable. (Start-up, Send and upload run end to end over
// TLS in fOpenAIAssistant_EndToEnd_test.cpp.)
#include "app/fOpenAIAssistant.h"

#include <gtest/gtest.h>

#include "app/ozkAppTestUtil.h"
#include "app/ozkFakeAssistantView.h"
#include "base/ozkIniFile.h"
#include "support/ozkTestService.h"

namespace {

const std::u16string MathQuestion =
    u"I need to solve the equation `3x + 11 = 14`. Can you help me?\r\n";

class ServiceControllerTest : public ::testing::Test {
 protected:
  void Start(const std::string& aAssistant = "") {
    FFolder.WriteSettings(FService.BaseURL(), aAssistant);
    FController = FFolder.Controller(FView);
    FController->FormCreate();
    ASSERT_EQ(FView.Errors, std::vector<std::u16string>{});
  }

  ozktest::TTestService FService;
  ozktest::TAppTestFolder FFolder;
  TFakeAssistantView FView;
  std::unique_ptr<TFRMOpenAIAssistant> FController;
};

TEST_F(ServiceControllerTest, StoredIdTheServiceNoLongerKnows) {
  FFolder.WriteSettings(FService.BaseURL(), "ID=asst_gone\n");
  FController = FFolder.Controller(FView);
  FController->FormCreate();
  ASSERT_EQ(FView.Errors.size(), 1u);
  EXPECT_EQ(FView.Errors[0].rfind(u"Initialization error: ", 0), 0u);
  EXPECT_NE(FView.Errors[0].find(u"404"), std::u16string::npos) << UTF16ToUTF8(FView.Errors[0]);
  EXPECT_NE(FView.Errors[0].find(u"asst_gone"), std::u16string::npos);
  EXPECT_TRUE(FView.Terminated);
  FController->FormDestroy();
  EXPECT_EQ(TIniFile(FFolder.IniPath()).ReadString(u"ASSISTANT", u"ID", u"<missing>"), u"");

  // The next start creates a new assistant.
  TFakeAssistantView next;
  auto again = FFolder.Controller(next);
  again->FormCreate();
  EXPECT_EQ(next.Errors, std::vector<std::u16string>{});
  EXPECT_TRUE(next.LogHas(u"#create assistant: asst_"));
}

TEST_F(ServiceControllerTest, HelpDeskWithEmptyStoreStaysOnConfigurationButSends) {
  Start("TYPE=1\n");
  FView.ShowTab(atConfiguration);
  FController->RunEvent(&TFRMOpenAIAssistant::btnCreateAssistantClick);
  EXPECT_EQ(FView.Errors, std::vector<std::u16string>{});
  EXPECT_EQ(FView.Tab, atConfiguration); // not ready: the store holds no file
  EXPECT_EQ(FView.Log.size(), 2u);       // two "#create assistant" lines
  FController->RunEvent(&TFRMOpenAIAssistant::btnSendMessageClick);
  EXPECT_EQ(FView.Errors, std::vector<std::u16string>{});
  EXPECT_TRUE(FView.LogHas(u"[assistant]: "));
}

TEST_F(ServiceControllerTest, ServiceErrorDuringSendIsShownAndKeepsTheUsersLine) {
  Start();
  ozktest::FailNextRequests(FService.BaseURL(), 500, 1);
  FController->RunEvent(&TFRMOpenAIAssistant::btnSendMessageClick);
  ASSERT_EQ(FView.Errors.size(), 1u);
  EXPECT_NE(FView.Errors[0].find(u"500"), std::u16string::npos) << UTF16ToUTF8(FView.Errors[0]);
  EXPECT_EQ(FView.Log.back(), u"[user]: " + MathQuestion);
  EXPECT_EQ(FView.Memos[amMessage].Text(), MathQuestion);
  EXPECT_EQ(FView.BusyDepth, 0);
  // The window stays usable: the next Send goes through.
  FView.Errors.clear();
  FController->RunEvent(&TFRMOpenAIAssistant::btnSendMessageClick);
  EXPECT_EQ(FView.Errors, std::vector<std::u16string>{});
  EXPECT_TRUE(FView.LogHas(u"Solution: x = 1"));
}

// A run that is still going when the 10-second wait ends says so instead of staying silent.
TEST(ServiceControllerRun, UnfinishedRunIsLogged) {
  ozktest::TTestServiceOptions options;
  options.RunPolls = 1000000;
  ozktest::TTestService service(options);
  ozktest::TAppTestFolder folder;
  folder.WriteSettings(service.BaseURL());
  TFakeAssistantView view;
  auto controller = folder.Controller(view);
  controller->FormCreate();
  controller->RunEvent(&TFRMOpenAIAssistant::btnSendMessageClick);
  EXPECT_EQ(view.Errors, std::vector<std::u16string>{});
  ASSERT_GE(view.Log.size(), 3u) << UTF16ToUTF8(view.LogText());
  const std::u16string& line = view.Log[2];
  EXPECT_TRUE(line == u"[run]: in_progress" || line == u"[run]: queued") << UTF16ToUTF8(line);
  EXPECT_EQ(view.BusyDepth, 0);
}

} // namespace
