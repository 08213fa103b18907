// End to end over TLS: controller, assistant component, REST client and the real HTTP and TLS
// stack against the bundled service, which presents a certificate of a test CA. The client
// trusts that CA through the system trust store's SSL_CERT_FILE, as a user's machine would
// trust its own CA, so nothing in the road is set up differently from the program.
#include "app/fOpenAIAssistant.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/ozkAppTestUtil.h"
#include "app/ozkFakeAssistantView.h"
#include "base/ozkIniFile.h"
#include "support/ozkTestService.h"

namespace {

TEST(EndToEndTLS, StartUpSendUploadAndRestart) {
  const auto& pki = ozktest::TTestPKI::Get();
  ozktest::TTestTempDir certs;
  certs.WriteFile("ca.pem", pki.CA.CertPEM());
  certs.WriteFile("server.pem", pki.Localhost.ChainPEM());
  certs.WriteFile("server.key", pki.Localhost.KeyPEM());
  // Read once, when the first TLS context of the process loads the default trust store.
  ASSERT_EQ(::setenv("SSL_CERT_FILE", (certs.Path() + "/ca.pem").c_str(), 1), 0);

  ozktest::TTestServiceOptions options;
  options.TLSCertFile = certs.Path() + "/server.pem";
  options.TLSKeyFile = certs.Path() + "/server.key";
  ozktest::TTestService service(options);
  ASSERT_EQ(service.BaseURL().rfind("https://127.0.0.1:", 0), 0u);

  ozktest::TAppTestFolder folder;
  folder.WriteSettings(service.BaseURL());
  std::u16string assistantId;
  {
    TFakeAssistantView view;
    auto controller = folder.Controller(view);

    // Start-up creates an assistant and a thread.
    controller->FormCreate();
    ASSERT_EQ(view.Errors, std::vector<std::u16string>{});
    EXPECT_EQ(view.Tab, atLog);
    ASSERT_NE(controller->CurrentThread(), nullptr);
    ASSERT_EQ(view.Log.size(), 1u);
    EXPECT_EQ(view.Log[0], u"#create assistant: " + controller->AssistantId());
    EXPECT_EQ(controller->AssistantId().rfind(u"asst_", 0), 0u);

    // Send of the math preset: the user's line, then the solution.
    controller->RunEvent(&TFRMOpenAIAssistant::btnSendMessageClick);
    ASSERT_EQ(view.Errors, std::vector<std::u16string>{});
    ASSERT_EQ(view.Log.size(), 3u) << UTF16ToUTF8(view.LogText());
    EXPECT_EQ(view.Log[1],
              u"[user]: I need to solve the equation `3x + 11 = 14`. Can you help me?\r\n");
    // The answer's escaped line breaks arrive as real ones.
    EXPECT_EQ(view.Log[2].rfind(u"[assistant]: ", 0), 0u);
    EXPECT_NE(view.Log[2].find(u"\r\nSolution: x = 1\r\n"), std::u16string::npos)
        << UTF16ToUTF8(view.Log[2]);
    EXPECT_EQ(view.Log[2].find(u"\\n"), std::u16string::npos);
    EXPECT_EQ(view.Memos[amMessage].Count(), 0); // cleared once the answer is in
    EXPECT_EQ(view.BusyShown, 1);
    EXPECT_EQ(view.BusyDepth, 0);

    // The help desk with a manual: upload a text file, then a question it answers.
    view.AssistantIndex = 1;
    controller->RunEvent(&TFRMOpenAIAssistant::cboAssistantChange);
    controller->RunEvent(&TFRMOpenAIAssistant::btnCreateAssistantClick);
    ASSERT_EQ(view.Errors, std::vector<std::u16string>{});
    const std::u16string firstThread = controller->CurrentThread()->Id();
    controller->RunEvent(&TFRMOpenAIAssistant::btnVectorStoreUploadFileClick); // cancelled
    EXPECT_EQ(controller->CurrentThread()->Id(), firstThread);
    view.FileToChoose = folder.WriteFile(
        "manual.txt", "Installing: run the setup program and choose a folder.\n"
                      "TozkWebSocketClient connects with Connect and sends text with Send.\n"
                      "Licences are per developer.\n");
    controller->RunEvent(&TFRMOpenAIAssistant::btnVectorStoreUploadFileClick);
    ASSERT_EQ(view.Errors, std::vector<std::u16string>{});
    ASSERT_EQ(view.Files.size(), 1u);
    EXPECT_EQ(view.Files[0].rfind(u"file-", 0), 0u);
    EXPECT_NE(controller->CurrentThread()->Id(), firstThread); // an upload starts a new thread
    EXPECT_EQ(view.BusyShown, 2); // Send and the upload; not the cancelled dialog
    EXPECT_EQ(view.BusyDepth, 0);
    view.Memos[amMessage].SetText(u"How does the WebSocket client connect?");
    const size_t before = view.Log.size();
    controller->RunEvent(&TFRMOpenAIAssistant::btnSendMessageClick);
    ASSERT_EQ(view.Errors, std::vector<std::u16string>{});
    ASSERT_EQ(view.Log.size(), before + 2) << UTF16ToUTF8(view.LogText());
    EXPECT_NE(view.Log.back().find(u"TozkWebSocketClient connects with Connect"),
              std::u16string::npos)
        << UTF16ToUTF8(view.Log.back());

    assistantId = controller->AssistantId();
    controller->FormDestroy();
    EXPECT_EQ(TIniFile(folder.IniPath()).ReadString(u"ASSISTANT", u"ID", u""), assistantId);
  }

  // The next start reads the settings back and fetches the stored assistant.
  TFakeAssistantView view;
  auto controller = folder.Controller(view);
  controller->FormCreate();
  ASSERT_EQ(view.Errors, std::vector<std::u16string>{});
  EXPECT_EQ(view.AssistantIndex, 1);
  EXPECT_EQ(view.Texts[afAssistantName], u"Brindlecast HelpDesk");
  ASSERT_NE(controller->CurrentAssistant(), nullptr);
  EXPECT_EQ(controller->CurrentAssistant()->Id(), assistantId);
  EXPECT_FALSE(view.LogHas(u"#create assistant")); // fetched, not created
  EXPECT_EQ(view.Files.size(), 1u);
  EXPECT_EQ(view.Tab, atLog);
}

} // namespace
