// Options of the assistant component: defaults, deep copies and the copy rules between tools.
#include "ai/ozkAI_OpenAI_Audio_Assistant.h"

#include <gtest/gtest.h>

#include "ai/ozkAI.h"
#include "support/ozkTestUtil.h"

TEST(TozkAI_OpenAI_Assistant_Options, Defaults) {
  TozkAI_OpenAI_Assistant_Options lOptions;
  EXPECT_EQ(lOptions.Name(), u"");
  EXPECT_EQ(lOptions.Model(), u"");
  EXPECT_EQ(lOptions.Instructions().Count(), 0);
  EXPECT_EQ(lOptions.Temperature(), 1.0);
  EXPECT_EQ(lOptions.TopP(), 1.0);
  EXPECT_FALSE(lOptions.Tools().FileSearch().Enabled());
  EXPECT_FALSE(lOptions.Tools().CodeInterpreter().Enabled());
  EXPECT_FALSE(lOptions.Tools().Functions().Enabled());
}

TEST(TozkAI_OpenAI_Assistant_Options, AssignIsADeepCopy) {
  TozkAI_OpenAI_Assistant_Options lSource;
  lSource.SetName(u"Tutor");
  lSource.Instructions().Add(u"line 1");
  lSource.Instructions().Add(u"line 2");
  lSource.SetModel(u"gpt-4o-mini");
  lSource.Tools().FileSearch().SetEnabled(true);
  lSource.Tools().FileSearch().Files().Add(u"file-1");
  lSource.Tools().CodeInterpreter().Files().Add(u"file-2");
  lSource.Tools().Functions().SetEnabled(true);
  lSource.Tools().Functions().Functions().Add(u"f");
  lSource.SetTemperature(2);
  lSource.SetTopP(0);

  TozkAI_OpenAI_Assistant_Options lCopy;
  lCopy.Assign(lSource);
  // Changing the source afterwards must not reach the copy.
  lSource.Instructions().Clear();
  lSource.Tools().FileSearch().Files().Clear();
  lSource.Tools().Functions().SetEnabled(false);

  EXPECT_EQ(lCopy.Name(), u"Tutor");
  EXPECT_EQ(lCopy.Instructions().Text(), u"line 1\r\nline 2\r\n");
  EXPECT_EQ(lCopy.Model(), u"gpt-4o-mini");
  EXPECT_TRUE(lCopy.Tools().FileSearch().Enabled());
  EXPECT_EQ(lCopy.Tools().FileSearch().Files().Text(), u"file-1\r\n");
  EXPECT_FALSE(lCopy.Tools().CodeInterpreter().Enabled());
  EXPECT_EQ(lCopy.Tools().CodeInterpreter().Files().Text(), u"file-2\r\n");
  EXPECT_TRUE(lCopy.Tools().Functions().Enabled());
  EXPECT_EQ(lCopy.Tools().Functions().Functions().Text(), u"f\r\n");
  EXPECT_EQ(lCopy.Temperature(), 2);
  EXPECT_EQ(lCopy.TopP(), 0);
}

TEST(TozkAI_OpenAI_Assistant_Options, ToolOfAnotherClassGivesOnlyEnabled) {
  TozkAI_OpenAI_Assistant_Tools_CodeInterpreter lCode;
  lCode.SetEnabled(true);
  lCode.Files().Add(u"from-code");
  TozkAI_OpenAI_Assistant_Tools_FileSearch lSearch;
  lSearch.Files().Add(u"kept");
  lSearch.Assign(lCode);
  EXPECT_TRUE(lSearch.Enabled());
  EXPECT_EQ(lSearch.Files().Text(), u"kept\r\n");

  TozkAI_OpenAI_Assistant_Tools_Functions lFunctions;
  lFunctions.Functions().Add(u"kept too");
  lSearch.SetEnabled(false);
  lFunctions.SetEnabled(true);
  lFunctions.Assign(lSearch);
  EXPECT_FALSE(lFunctions.Enabled());
  EXPECT_EQ(lFunctions.Functions().Text(), u"kept too\r\n");
}

TEST(TozkAI_OpenAI_Assistant_Options, OtherSourcesRaiseTheCopyError) {
  TozkAI_OpenAI_Assistant_Options lOptions;
  TozkAI_OpenAI_Assistant_Tools lTools;
  TozkAI_OpenAI_Assistant_Tools_FileSearch lSearch;
  TStringList lList;
  EXPECT_EQ(MessageOf<EConvertError>([&] { lOptions.Assign(lTools); }),
            u"Cannot assign a TozkAI_OpenAI_Assistant_Tools to a "
            u"TozkAI_OpenAI_Assistant_Options");
  EXPECT_EQ(MessageOf<EConvertError>([&] { lTools.Assign(lSearch); }),
            u"Cannot assign a TozkAI_OpenAI_Assistant_Tools_FileSearch to a "
            u"TozkAI_OpenAI_Assistant_Tools");
  EXPECT_EQ(MessageOf<EConvertError>([&] { lSearch.Assign(lList); }),
            u"Cannot assign a TStringList to a TozkAI_OpenAI_Assistant_Tools_FileSearch");
}

TEST(TozkAIOpenAIAssistant, NewComponentHoldsNothingAndSettersCopy) {
  TComponent lOwner;
  auto* lAssistant = new TozkAIOpenAIAssistant(&lOwner); // owned by lOwner
  EXPECT_EQ(lAssistant->Owner(), &lOwner);
  EXPECT_EQ(lAssistant->Version(), u"2024.10.0");
  EXPECT_EQ(lAssistant->Assistant(), nullptr);
  EXPECT_EQ(lAssistant->Thread(), nullptr);
  EXPECT_FALSE(lAssistant->HasOpenAI());
  EXPECT_EQ(lAssistant->AssistantOptions().Temperature(), 1.0);

  TozkAI_OpenAI_Assistant_Options lOptions;
  lOptions.SetName(u"given");
  lAssistant->SetAssistantOptions(lOptions);
  lOptions.SetName(u"changed later");
  EXPECT_EQ(lAssistant->AssistantOptions().Name(), u"given");

  TozkHTTPOpenAI_Options lClientOptions;
  lClientOptions.SetApiKey(u"sk-given");
  lAssistant->SetOpenAIOptions(lClientOptions);
  lClientOptions.SetApiKey(u"sk-changed");
  EXPECT_EQ(lAssistant->OpenAIOptions().ApiKey(), u"sk-given");
}
