// The settings file through the controller: what a first run writes, the reading rules, the
// preset applied before the stored keys, multi-line instructions and the optional base URL.
#include "app/fOpenAIAssistant.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "app/ozkFakeAssistantView.h"
#include "base/ozkText.h"
#include "support/ozkTestTLS.h"

namespace {

const std::u16string HelpDeskInstructions =
    u"You are a Brindlecast HelpDesk Agent. Answer questions briefly, in a sentence or less. When "
    u"asked a question, use the manual to answer the question.\r\n";
const std::u16string MathInstructions =
    u"You are a personal math tutor. Answer questions briefly, in a sentence or less. When asked "
    u"a question, use Delphicode to answer the question.\r\n";

class SettingsTest : public ::testing::Test {
 protected:
  std::u16string IniPath() const { return UTF8ToUTF16(FDir.Path() + "/ozk-assistant.ini"); }
  void WriteIni(const std::string& aText) const { FDir.WriteFile("ozk-assistant.ini", aText); }
  std::string IniText() const {
    std::ifstream f(FDir.Path() + "/ozk-assistant.ini", std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }
  // Creates the window's controller over aView and loads the settings; no key, no request.
  void Load(TFakeAssistantView& aView) {
    FController = std::make_unique<TFRMOpenAIAssistant>(aView, IniPath());
    FController->FormCreate();
  }
  void Save() { FController->FormDestroy(); }

  ozktest::TTestTempDir FDir;
  std::unique_ptr<TFRMOpenAIAssistant> FController;
};

TEST_F(SettingsTest, FirstRunWritesBothSectionsAndAllTenKeysPrivately) {
  TFakeAssistantView view;
  Load(view);
  EXPECT_EQ(view.Tab, atConfiguration);
  EXPECT_EQ(view.Memos[amAssistantInstructions].Text(), MathInstructions); // preset 0 applied
  EXPECT_FALSE(FController->Assistant().HasOpenAI()); // no key: no client, no request
  Save();
  EXPECT_EQ(IniText(), "[OPENAI]\n"
                       "API_KEY=\n"
                       "\n"
                       "[ASSISTANT]\n"
                       "ID=\n"
                       "TYPE=0\n"
                       "NAME=Delphi Math Tutor\n"
                       "INSTRUCTIONS=You are a personal math tutor. Answer questions briefly, in a "
                       "sentence or less. When asked a question, use Delphicode to answer the "
                       "question.\n"
                       "MODEL=gpt-4o-mini\n"
                       "FILE_SEARCH=0\n"
                       "CODE_INTERPRETER=1\n"
                       "TEMPERATURE=1\n"
                       "TOPP=1\n");
  struct stat st {};
  ASSERT_EQ(::stat(UTF16ToUTF8(IniPath()).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(SettingsTest, OnlyTypeOneGivesTheHelpDeskPresetAndTheFormsOtherValues) {
  WriteIni("[ASSISTANT]\nTYPE=1\n");
  TFakeAssistantView view;
  Load(view);
  EXPECT_EQ(view.AssistantIndex, 1);
  EXPECT_EQ(view.Texts[afAssistantName], u"Brindlecast HelpDesk");
  EXPECT_EQ(view.Memos[amAssistantInstructions].Text(), HelpDeskInstructions);
  EXPECT_TRUE(view.FileSearch);
  EXPECT_FALSE(view.CodeInterpreter);
  EXPECT_EQ(view.Texts[afAssistantModel], u"gpt-4o-mini");
  EXPECT_EQ(view.Temperature, 1);
  EXPECT_EQ(view.TopP, 1);
  EXPECT_EQ(view.Texts[afVectorStore], u"ozkVectorStore");
  EXPECT_EQ(view.Memos[amMessage].Text(),
            u"Create a Delphi WebSocketClient that connects to Marrowind WebSocket server and when "
            u"the message is received it echoes to the server.\r\n");
}

TEST_F(SettingsTest, ReadingRules) {
  struct {
    const char* name;
    std::string ini;
    bool fileSearch, codeInterpreter;
    int temperature, topP;
  } cases[] = {
      {"non-zero Boolean is true", "FILE_SEARCH=7\nCODE_INTERPRETER=0\n", true, false, 1, 1},
      {"unparsable Boolean keeps the preset's", "FILE_SEARCH=yes\nCODE_INTERPRETER=yes\n", false,
       true, 1, 1},
      {"hexadecimal", "TEMPERATURE=0x2\nTOPP=0X0\n", false, true, 2, 0},
      {"sliders clamp high", "TEMPERATURE=5\nTOPP=9\n", false, true, 2, 1},
      {"sliders clamp low", "TEMPERATURE=-1\nTOPP=-7\n", false, true, 0, 0},
      {"empty integer keeps the default", "TEMPERATURE=\nTOPP=0x\n", false, true, 1, 1},
      {"names match without case", "file_search=1\nTemperature=0\n", true, true, 0, 1},
  };
  for (const auto& c : cases) {
    WriteIni("[assistant]\n" + c.ini);
    TFakeAssistantView view;
    Load(view);
    EXPECT_EQ(view.FileSearch, c.fileSearch) << c.name;
    EXPECT_EQ(view.CodeInterpreter, c.codeInterpreter) << c.name;
    EXPECT_EQ(view.Temperature, c.temperature) << c.name;
    EXPECT_EQ(view.TopP, c.topP) << c.name;
  }
}

TEST_F(SettingsTest, StoredValuesWinOverThePresetAndEmptyIsNotMissing) {
  WriteIni("[OPENAI]\nAPI_KEY=\n[ASSISTANT]\nTYPE=1\nNAME=\nMODEL=my-model\nFILE_SEARCH=0\n");
  TFakeAssistantView view;
  Load(view);
  EXPECT_EQ(view.Texts[afAssistantName], u"");
  EXPECT_EQ(view.Texts[afAssistantModel], u"my-model");
  EXPECT_FALSE(view.FileSearch);
  EXPECT_EQ(view.Memos[amAssistantInstructions].Text(), HelpDeskInstructions);
}

TEST_F(SettingsTest, PresetIndexNamingNoPresetAppliesNoneAndSavesMinusOne) {
  WriteIni("[ASSISTANT]\nTYPE=5\n");
  TFakeAssistantView view;
  Load(view);
  EXPECT_EQ(view.AssistantIndex, -1);
  EXPECT_EQ(view.Texts[afAssistantName], u"Delphi Math Tutor");
  EXPECT_EQ(view.Memos[amAssistantInstructions].Count(), 2); // the form's own two lines
  Save();
  EXPECT_NE(IniText().find("\nTYPE=-1\n"), std::string::npos);
}

TEST_F(SettingsTest, InstructionsReadBackLineForLine) {
  const std::vector<std::vector<std::u16string>> cases = {
      {u"one line"},
      {u"first", u"second", u"third"},
      {u"ends with an empty line", u""},
      {u"", u"starts empty"},
      {u"  indented", u"tab\tand \\n and \\\\ and \"quotes\""},
      {u"\"wrapped in quotes\""},
  };
  for (const auto& lines : cases) {
    TFakeAssistantView view;
    Load(view);
    view.Memos[amAssistantInstructions] = TStringList();
    for (const auto& l : lines) view.Memos[amAssistantInstructions].Add(l);
    const std::u16string whole = view.Memos[amAssistantInstructions].Text();
    Save();
    TFakeAssistantView back;
    Load(back);
    EXPECT_EQ(back.Memos[amAssistantInstructions].Text(), whole) << UTF16ToUTF8(whole);
    EXPECT_EQ(back.Memos[amAssistantInstructions].Lines(), lines);
  }
  // A one-line value is stored as it stands, without the whole text's final line break.
  TFakeAssistantView view;
  Load(view);
  view.Memos[amAssistantInstructions] = TStringList{u"one line"};
  Save();
  EXPECT_NE(IniText().find("\nINSTRUCTIONS=one line\n"), std::string::npos);
}

TEST_F(SettingsTest, BaseURLIsWrittenOnlyWhenSet) {
  TFakeAssistantView view;
  Load(view);
  view.Texts[afBaseURL] = u"http://127.0.0.1:8080";
  view.Texts[afAPIKey] = u"sk-demo";
  Save();
  EXPECT_NE(IniText().find("[OPENAI]\nAPI_KEY=sk-demo\nBASE_URL=http://127.0.0.1:8080\n"),
            std::string::npos);

  // Read back, then cleared: the key goes away rather than keeping the old value.
  TFakeAssistantView back;
  FController = std::make_unique<TFRMOpenAIAssistant>(back, IniPath());
  WriteIni("[OPENAI]\nBASE_URL=http://127.0.0.1:8080\n");
  FController->FormCreate();
  EXPECT_EQ(back.Texts[afBaseURL], u"http://127.0.0.1:8080");
  back.Texts[afBaseURL] = u"";
  Save();
  EXPECT_EQ(IniText().find("BASE_URL"), std::string::npos);
}

TEST_F(SettingsTest, UnwritableFileIsReportedThroughTheErrorDisplay) {
  TFakeAssistantView view;
  const std::u16string path = UTF8ToUTF16(FDir.Path() + "/missing-folder/ozk-assistant.ini");
  TFRMOpenAIAssistant controller(view, path);
  controller.FormCreate();
  controller.RunEvent(&TFRMOpenAIAssistant::FormDestroy);
  EXPECT_EQ(view.Errors, std::vector<std::u16string>{u"Unable to write to " + path});
}

TEST(SettingsFileName, ExtensionReplacedOrAppended) {
  EXPECT_EQ(SettingsFileNameFor(u"/opt/app/assistant.exe"), u"/opt/app/assistant.ini");
  EXPECT_EQ(SettingsFileNameFor(u"/opt/app/ozk-assistant"), u"/opt/app/ozk-assistant.ini");
  EXPECT_EQ(SettingsFileNameFor(u"/opt/v1.2/ozk-assistant"), u"/opt/v1.2/ozk-assistant.ini");
}

} // namespace
