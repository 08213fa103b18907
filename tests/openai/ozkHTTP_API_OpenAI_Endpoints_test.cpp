#include "openai/ozkHTTP_API_OpenAI_Endpoints.h"

#include <gtest/gtest.h>

#include "ozkHTTP_API_OpenAI_TestUtil.h"

using ozktest::ForBothRoutes;

TEST(OpenAIModels, ModelListAndPermissions) {
  ForBothRoutes([] {
    TozkOpenAIClass_Response_Models lModels(uR"({"object":"list","data":[
      {"id":"text-davinci-003","object":"model","created":1669599635,"owned_by":"openai-internal",
       "permission":[{"id":"modelperm-1","object":"model_permission","created":1690864883,
         "allow_create_engine":false,"allow_sampling":true,"allow_logprobs":true,
         "allow_search_indices":false,"allow_view":true,"allow_fine_tuning":false,
         "organization":"*","group":null,"is_blocking":false}],
       "root":"text-davinci-003","parent":null},
      {"id":"gpt-4o","object":"model","created":1715367049,"owned_by":"system"}]})");
    EXPECT_EQ(lModels._Object(), u"list");
    ASSERT_EQ(lModels.Data().size(), 2u);
    const auto& d = *lModels.Data()[0];
    EXPECT_EQ(d.Id(), u"text-davinci-003");
    EXPECT_EQ(d._Object(), u"model");
    EXPECT_EQ(d.Created(), 1669599635);
    EXPECT_EQ(d.OwnedBy(), u"openai-internal");
    EXPECT_EQ(d.Root(), u"text-davinci-003");
    ASSERT_EQ(d.Permission().size(), 1u);
    const auto& p = *d.Permission()[0];
    EXPECT_EQ(p.Id(), u"modelperm-1");
    EXPECT_EQ(p._Object(), u"model_permission");
    EXPECT_EQ(p.Created(), 1690864883);
    EXPECT_FALSE(p.AllowCreateEngine());
    EXPECT_TRUE(p.AllowSampling());
    EXPECT_TRUE(p.AllowLogprobs());
    EXPECT_FALSE(p.AllowSearchIndices());
    EXPECT_TRUE(p.AllowView());
    EXPECT_FALSE(p.AllowFineTuning());
    EXPECT_EQ(p.Organization(), u"*");
    EXPECT_FALSE(p.IsBlocking());
    EXPECT_TRUE(lModels.Data()[1]->Permission().empty());
  });
  TozkOpenAI_Response_Model_Class lModel(
      uR"({"id":"gpt-4o","object":"model","owned_by":"system"})");
  EXPECT_EQ(lModel.OwnedBy(), u"system");
}

TEST(OpenAICompletions, CompletionRequestAndResponse) {
  TozkOpenAIClass_Request_Completion r;
  r.SetModel(u"gpt-3.5-turbo-instruct");
  EXPECT_EQ(r.AsString(), uR"({"best_of":1,"model":"gpt-3.5-turbo-instruct","n":1,)"
                          uR"("temperature":1,"top_p":1})");
  TozkOpenAIClass_Request_Completion full;
  full.SetFrequency_penalty(0.5);
  full.SetLogit_bias(u"{\"50256\":-100}");
  full.SetMaxTokens(16);
  full.SetPrompt(u"Say this is a test");
  full.SetPresence_penalty(-0.25);
  full.SetStop({u"\\n", u"END", u"\\n"});
  full.SetStream(true);
  full.SetTemperature(0.7);
  full.SetUser(u"user-1");
  full.SetSuffix(u"!");
  full.SetLogprobs(2);
  full.SetEcho(true);
  EXPECT_EQ(full.AsString(),
            uR"({"best_of":1,"frequency_penalty":0.5,"logit_bias":{"50256":-100},)"
            uR"("max_tokens":16,"model":"","prompt":"Say this is a test","n":1,)"
            uR"("presence_penalty":-0.25,"stop":["\n","END"],"stream":true,"temperature":0.7,)"
            uR"("top_p":1,"user":"user-1","suffix":"!","logprobs":2,"echo":true})");
  // Made from text, the plain constructor's defaults are not applied.
  EXPECT_EQ(TozkOpenAIClass_Request_Completion(u"{}").N(), 0);

  TozkOpenAIClass_Request_Completion_Message m;
  EXPECT_EQ(m.Role(), u"user");
  m.SetContent(u"Hello");
  m.SetName(u"bob");
  EXPECT_EQ(m.AsString(), uR"({"content":"Hello","role":"user","name":"bob"})");

  ForBothRoutes([] {
    TozkOpenAIClass_Response_Completion c(
        uR"({"id":"cmpl-uqkvlQyYK7bGYrRHQ0eXlWi7","object":"text_completion",
      "created":1589478378,"model":"gpt-3.5-turbo-instruct","system_fingerprint":"fp_44709d6fcb",
      "choices":[{"text":"\n\nThis is indeed a test","index":0,"logprobs":null,
                  "finish_reason":"length"},
                 {"text":"x","index":1,"logprobs":{"tokens":["x"]},"finish_reason":"stop"}],
      "usage":{"prompt_tokens":5,"completion_tokens":7,"total_tokens":12}})");
    EXPECT_EQ(c.Id(), u"cmpl-uqkvlQyYK7bGYrRHQ0eXlWi7");
    EXPECT_EQ(c._Object(), u"text_completion");
    EXPECT_EQ(c.Created(), 1589478378);
    EXPECT_EQ(c.Model(), u"gpt-3.5-turbo-instruct");
    ASSERT_EQ(c.Choices().size(), 2u);
    EXPECT_EQ(c.Choices()[0]->Text(), u"\n\nThis is indeed a test");
    EXPECT_EQ(c.Choices()[0]->_Index(), 0);
    EXPECT_EQ(c.Choices()[0]->Logprobs(), u"null");
    EXPECT_EQ(c.Choices()[0]->FinishReason(), u"length");
    EXPECT_EQ(c.Choices()[1]->Logprobs(), uR"({"tokens":["x"]})");
    EXPECT_EQ(c.Usage()->TotalTokens(), 12);
  });
}

TEST(OpenAIChat, ChatRequestWithFunctions) {
  TozkOpenAIClass_Request_ChatCompletion lEmpty;
  EXPECT_EQ(lEmpty.AsString(), uR"({"model":"","n":1,"temperature":1,"top_p":1})");

  TozkOpenAIClass_Request_ChatCompletion r;
  r.SetModel(u"gpt-4o");
  auto lSystem = std::make_unique<TozkOpenAIClass_Request_Completion_Message>();
  lSystem->SetRole(u"system");
  lSystem->SetContent(u"You are helpful.");
  lSystem->SetName(u"ignored");
  r.Messages().push_back(std::move(lSystem));
  r.Messages().push_back(std::make_unique<TozkOpenAIClass_Request_Completion_Message>());
  auto lWeather = std::make_unique<TozkOpenAIClass_Request_ChatCompletion_Function>();
  lWeather->SetName(u"get_weather");
  lWeather->SetDescription(u"Current weather");
  auto lCity = std::make_unique<TozkOpenAIClass_Request_ChatCompletion_Function_Parameter>();
  lCity->SetName(u"city");
  lCity->SetDescription(u"City name");
  lWeather->Parameters()->Properties().push_back(std::move(lCity));
  auto lDays = std::make_unique<TozkOpenAIClass_Request_ChatCompletion_Function_Parameter>();
  lDays->SetName(u"days");
  lDays->Set_Type(oafptInteger);
  lWeather->Parameters()->Properties().push_back(std::move(lDays));
  r.Functions().push_back(std::move(lWeather));
  auto lNoParameters = std::make_unique<TozkOpenAIClass_Request_ChatCompletion_Function>();
  lNoParameters->SetName(u"now");
  r.Functions().push_back(std::move(lNoParameters));
  r.SetFunctionCall(u"{\"name\":\"get_weather\"}");
  r.SetStop({u"a", u"a"});
  r.SetMaxTokens(100);
  EXPECT_EQ(
      r.AsString(),
      uR"({"max_tokens":100,"model":"gpt-4o","messages":[{"role":"system",)"
      uR"("content":"You are helpful."},{"role":"user","content":""}],"functions":[)"
      uR"({"name":"get_weather","description":"Current weather","parameters":{"type":"object",)"
      uR"("properties":{"city":{"type":"string","description":"City name"},)"
      uR"("days":{"type":"integer"}}}},{"name":"now","parameters":{"type":"object"}}],)"
      uR"("function_call":{"name":"get_weather"},"n":1,"stop":["a"],"temperature":1,"top_p":1})");

  TozkOpenAIClass_Request_ChatCompletion_Function_Parameter p;
  for (auto [lType, lText] : {std::pair{oafptNumber, u"number"}, {oafptBoolean, u"boolean"}}) {
    p.Set_Type(lType);
    EXPECT_EQ(p.AsString(), u"{\"type\":\"" + std::u16string(lText) + u"\"}");
  }
}

TEST(OpenAIChat, ChatResponse) {
  ForBothRoutes([] {
    TozkOpenAIClass_Response_ChatCompletion c(uR"({"id":"chatcmpl-123","object":"chat.completion",
      "created":1677652288,"model":"gpt-4o-mini","system_fingerprint":"fp_44709d6fcb",
      "choices":[{"index":0,"message":{"role":"assistant",
        "content":"Hello there, how may I assist you today?\n", "refusal":null},
        "logprobs":null,"finish_reason":"stop"},{"index":1,"finish_reason":"length"}],
      "usage":{"prompt_tokens":9,"completion_tokens":12,"total_tokens":21,
        "completion_tokens_details":{"reasoning_tokens":0}}})");
    EXPECT_EQ(c.Id(), u"chatcmpl-123");
    EXPECT_EQ(c._Object(), u"chat.completion");
    EXPECT_EQ(c.Created(), 1677652288);
    ASSERT_EQ(c.Choices().size(), 2u);
    EXPECT_EQ(c.Choices()[0]->_Index(), 0);
    EXPECT_EQ(c.Choices()[0]->FinishReason(), u"stop");
    ASSERT_NE(c.Choices()[0]->_Message(), nullptr);
    EXPECT_EQ(c.Choices()[0]->_Message()->Role(), u"assistant");
    EXPECT_EQ(c.Choices()[0]->_Message()->Content(), u"Hello there, how may I assist you today?\n");
    EXPECT_EQ(c.Choices()[1]->_Message(), nullptr);
    EXPECT_EQ(c.Usage()->PromptTokens(), 9);
    EXPECT_EQ(c.Usage()->CompletionTokens(), 12);
  });
  TozkOpenAIClass_Response_ChatCompletion lNoUsage(u"{}");
  EXPECT_EQ(lNoUsage.Usage()->TotalTokens(), 0);
}

TEST(OpenAIEdits, EditRequestAndResponse) {
  TozkOpenAIClass_Request_Edit r;
  r.SetModel(u"text-davinci-edit-001");
  r.SetInput(u"What day of the wek is it?");
  r.SetInstruction(u"Fix the spelling mistakes");
  r.SetTopP(0);
  EXPECT_EQ(r.AsString(),
            uR"({"model":"text-davinci-edit-001","input":"What day of the wek is it?",)"
            uR"("instruction":"Fix the spelling mistakes","n":1,"temperature":1})");
  TozkOpenAIClass_Response_Edit e(uR"({"object":"edit","created":1589478378,
    "choices":[{"text":"What day of the week is it?","index":0}],
    "usage":{"prompt_tokens":25,"completion_tokens":32,"total_tokens":57}})");
  EXPECT_EQ(e._Object(), u"edit");
  EXPECT_EQ(e.Created(), 1589478378);
  ASSERT_EQ(e.Choices().size(), 1u);
  EXPECT_EQ(e.Choices()[0]->Text(), u"What day of the week is it?");
  EXPECT_EQ(e.Choices()[0]->_Index(), 0);
  EXPECT_EQ(e.Usage()->TotalTokens(), 57);
}

TEST(OpenAIImages, ImageRequestsAndResponse) {
  TozkOpenAIClass_Request_Image i;
  i.SetPrompt(u"A cute baby sea otter");
  i.SetSize(u"1024x1024");
  EXPECT_EQ(
      i.AsString(),
      uR"({"n":1,"response_format":"url","size":"1024x1024","prompt":"A cute baby sea otter"})");
  TozkOpenAIClass_Request_Image_Edit lEdit;
  lEdit.SetN(2);
  lEdit.SetUser(u"u");
  lEdit.SetPrompt(u"p");
  lEdit.SetImage(u"/tmp/otter.png");
  lEdit.SetMask(u"/tmp/mask.png");
  EXPECT_EQ(lEdit.AsString(), uR"({"n":2,"response_format":"url","user":"u","prompt":"p",)"
                              uR"("image":"/tmp/otter.png","mask":"/tmp/mask.png"})");
  TozkOpenAIClass_Request_Image_Variation lVariation;
  lVariation.SetResponseFormat(u"b64_json");
  lVariation.SetImage(u"/tmp/otter.png");
  EXPECT_EQ(lVariation.AsString(),
            uR"({"n":1,"response_format":"b64_json","image":"/tmp/otter.png"})");
  EXPECT_EQ(TozkOpenAIClass_Request_Image_Variation(u"").AsString(), u"{}");

  ForBothRoutes([] {
    TozkOpenAIClass_Response_Image_Variation r(
        uR"({"created":1589478378,"data":[{"url":"https://example.invalid/a.png",)"
        uR"("revised_prompt":"x"},{"b64_json":"iVBORw0KGgo="}]})");
    EXPECT_EQ(r.Created(), 1589478378);
    ASSERT_EQ(r.Data().size(), 2u);
    EXPECT_EQ(r.Data()[0]->Url(), u"https://example.invalid/a.png");
    EXPECT_EQ(r.Data()[1]->B64_json(), u"iVBORw0KGgo=");
  });
}

TEST(OpenAIEmbeddings, EmbeddingRequestAndResponse) {
  TozkOpenAIClass_Request_Embeddings r;
  r.SetModel(u"text-embedding-3-small");
  r.SetInput(u"[\"a\",\"b\"]"); // an array of inputs given as JSON text
  r.SetUser(u"u");
  EXPECT_EQ(r.AsString(), uR"({"model":"text-embedding-3-small","input":["a","b"],"user":"u"})");

  ForBothRoutes([] {
    TozkOpenAIClass_Response_Embeddings e(uR"({"object":"list","data":[
      {"object":"embedding","embedding":[0.0023064255,-0.009327292,1e-5,"0.5",-1],"index":0}],
      "model":"text-embedding-3-small","usage":{"prompt_tokens":8,"total_tokens":8}})");
    EXPECT_EQ(e._Object(), u"list");
    EXPECT_EQ(e.Model(), u"text-embedding-3-small");
    EXPECT_EQ(e.Usage()->PromptTokens(), 8);
    EXPECT_EQ(e.Usage()->TotalTokens(), 8);
    ASSERT_EQ(e.Data().size(), 1u);
    const auto& d = *e.Data()[0];
    EXPECT_EQ(d._Object(), u"embedding");
    EXPECT_EQ(d._Index(), 0);
    ASSERT_EQ(d.Embedding().size(), 5u);
    EXPECT_EQ(d.Embedding()[0], 0.0023064255);
    EXPECT_EQ(d.Embedding()[2], 0.00001);
    EXPECT_EQ(d.EmbeddingAsString(), u"[0.0023064255,-0.009327292,0.00001,0.5,-1]");
  });
  EXPECT_THROW(TozkOpenAIClass_Response_Embeddings(uR"({"data":[{"embedding":[1,"x"]}]})"),
               EConvertError);
}

TEST(OpenAIAudio, TranscriptionAndTranslation) {
  TozkOpenAIClass_Request_Transcription t;
  t.SetModel(u"whisper-1");
  t.SetPrompt(u"p");
  t.SetFile(u"/tmp/ozkTranscription.wav");
  t.SetLanguage(u"en");
  t.SetTemperature(u"0.2");
  t.SetResponseFormat(u"json");
  EXPECT_EQ(t.FileName(), u"/tmp/ozkTranscription.wav");
  EXPECT_EQ(t.AsString(),
            uR"({"model":"whisper-1","prompt":"p","file":"/tmp/ozkTranscription.wav",)"
            uR"("language":"en","temperature":"0.2","response_format":"json"})");
  TozkOpenAIClass_Request_Translation l;
  l.SetModel(u"whisper-1");
  l.SetFileName(u"/tmp/a.wav");
  l.SetTemperature(u"0");
  EXPECT_EQ(l.AsString(), uR"({"model":"whisper-1","file":"/tmp/a.wav","temperature":"0"})");
  EXPECT_EQ(
      TozkOpenAIClass_Response_Transcription(uR"({"text":"Imagine the wildest idea."})").Text(),
      u"Imagine the wildest idea.");
  EXPECT_EQ(
      TozkOpenAIClass_Response_Translation(uR"({"text":"Hello, my name is Wolfgang."})").Text(),
      u"Hello, my name is Wolfgang.");
}

TEST(OpenAIFineTunes, RequestDefaultsAndResponse) {
  TozkOpenAIClass_Request_FineTune r;
  EXPECT_EQ(r.AsString(),
            uR"({"compute_classification_metrics":false,"n_epochs":4,"prompt_loss_weight":0.01})");
  TozkOpenAIClass_Request_FineTune full;
  full.SetBatchSize(8);
  full.SetClassificationBetas({0.5, 1, 2});
  full.SetClassificationPositiveClass(u"yes");
  full.SetClassificationNClasses(2);
  full.SetComputeClassificationMetrics(true);
  full.SetLearningRateMultiplier(0.1);
  full.SetModel(u"curie");
  full.SetSuffix(u"s");
  full.SetTrainingFile(u"file-t");
  full.SetValidationFile(u"file-v");
  EXPECT_EQ(full.AsString(),
            uR"({"batch_size":8,"classification_betas":[0.5,1,2],)"
            uR"("classification_positive_class":"yes","classification_n_classes":2,)"
            uR"("compute_classification_metrics":true,"learning_rate_multiplier":0.1,)"
            uR"("model":"curie","n_epochs":4,"prompt_loss_weight":0.01,"suffix":"s",)"
            uR"("training_file":"file-t","validation_file":"file-v"})");

  const std::u16string lFineTune = uR"({"id":"ft-AF1WoRqd3aJAHsqc9NY7iL8F","object":"fine-tune",
    "model":"curie","created_at":1614807352,
    "events":[{"object":"fine-tune-event","created_at":1614807352,"level":"info",
               "message":"Job enqueued. Waiting for jobs ahead to complete. Queue number: 0."}],
    "fine_tuned_model":null,
    "hyperparams":{"batch_size":4,"learning_rate_multiplier":0.1,"n_epochs":4,
                   "prompt_loss_weight":0.1},
    "organization_id":"org-123","result_files":[],"status":"pending",
    "validation_files":[],
    "training_files":[{"id":"file-XGinujblHPwGLSztz8cPS8XY","object":"file","bytes":1547276,
      "created_at":1610062281,"filename":"my-data-train.jsonl","purpose":"fine-tune-train"}],
    "updated_at":1614807352})";
  ForBothRoutes([&] {
    TozkOpenAIClass_Response_FineTune f(lFineTune);
    EXPECT_EQ(f.Id(), u"ft-AF1WoRqd3aJAHsqc9NY7iL8F");
    EXPECT_EQ(f._Object(), u"fine-tune");
    EXPECT_EQ(f.Model(), u"curie");
    EXPECT_EQ(f.CreatedAt(), 1614807352);
    ASSERT_EQ(f.Events().size(), 1u);
    EXPECT_EQ(f.Events()[0]->Level(), u"info");
    EXPECT_EQ(f.Events()[0]->_Object(), u"fine-tune-event");
    EXPECT_EQ(f.Events()[0]->CreatedAt(), 1614807352);
    EXPECT_EQ(f.Events()[0]->_Message(),
              u"Job enqueued. Waiting for jobs ahead to complete. Queue number: 0.");
    EXPECT_EQ(f.Hyperparams()->BatchSize(), 4);
    EXPECT_EQ(f.Hyperparams()->LearningRateMultiplier(), 0.1);
    EXPECT_EQ(f.Hyperparams()->NEpochs(), 4);
    EXPECT_EQ(f.Hyperparams()->PromptLossWeight(), 0.1);
    EXPECT_EQ(f.OrganizationId(), u"org-123");
    EXPECT_TRUE(f.ResultFiles().empty());
    EXPECT_TRUE(f.ValidationFiles().empty());
    ASSERT_EQ(f.TrainingFiles().size(), 1u);
    EXPECT_EQ(f.TrainingFiles()[0]->FileName(), u"my-data-train.jsonl");
    EXPECT_EQ(f.Status(), u"pending");
    EXPECT_EQ(f.UpdatedAt(), 1614807352);

    TozkOpenAIClass_Response_FineTunes lList(u"{\"object\":\"list\",\"data\":[" + lFineTune +
                                             u"]}");
    EXPECT_EQ(lList._Object(), u"list");
    ASSERT_EQ(lList.Data().size(), 1u);
    EXPECT_EQ(lList.Data()[0]->TrainingFiles().size(), 1u);
    TozkOpenAIClass_Response_FineTune_Events lEvents(
        uR"({"object":"list","data":[{"object":"fine-tune-event","level":"warn","message":"m"}]})");
    ASSERT_EQ(lEvents.Data().size(), 1u);
    EXPECT_EQ(lEvents.Data()[0]->Level(), u"warn");
  });
}

TEST(OpenAIModerations, RequestAndResponse) {
  TozkOpenAIClass_Request_Moderation r;
  r.SetInput(u"I want to kill them.");
  EXPECT_EQ(r.AsString(), uR"({"input":"I want to kill them."})");
  r.SetModel(u"text-moderation-latest");
  EXPECT_EQ(r.AsString(), uR"({"input":"I want to kill them.","model":"text-moderation-latest"})");

  ForBothRoutes([] {
    TozkOpenAIClass_Response_Moderation m(uR"({"id":"modr-XXXXX","model":"text-moderation-005",
      "results":[{"flagged":true,
        "categories":{"sexual":false,"hate":false,"harassment":false,"self-harm":false,
          "sexual/minors":false,"hate/threatening":true,"violence/graphic":false,"violence":true},
        "category_scores":{"sexual":1.2282071e-06,"hate":0.010696256,"self-harm":0.0000002,
          "sexual/minors":1.6e-8,"hate/threatening":0.5,"violence/graphic":0.000011,
          "violence":0.99011886}}]})");
    EXPECT_EQ(m.Id(), u"modr-XXXXX");
    EXPECT_EQ(m.Model(), u"text-moderation-005");
    ASSERT_EQ(m.Results().size(), 1u);
    auto& lResult = *m.Results()[0];
    EXPECT_TRUE(lResult.Flagged());
    EXPECT_FALSE(lResult.Categories()->Hate());
    EXPECT_TRUE(lResult.Categories()->HateThreatening());
    EXPECT_FALSE(lResult.Categories()->SelfHarm());
    EXPECT_FALSE(lResult.Categories()->Sexual());
    EXPECT_FALSE(lResult.Categories()->SexualMinors());
    EXPECT_TRUE(lResult.Categories()->Violence());
    EXPECT_FALSE(lResult.Categories()->ViolenceGraphic());
    EXPECT_EQ(lResult.CategoryScores()->Sexual(), 1.2282071e-06);
    EXPECT_EQ(lResult.CategoryScores()->Hate(), 0.010696256);
    EXPECT_EQ(lResult.CategoryScores()->SelfHarm(), 0.0000002);
    EXPECT_EQ(lResult.CategoryScores()->SexualMinors(), 1.6e-8);
    EXPECT_EQ(lResult.CategoryScores()->HateThreatening(), 0.5);
    EXPECT_EQ(lResult.CategoryScores()->ViolenceGraphic(), 0.000011);
    EXPECT_EQ(lResult.CategoryScores()->Violence(), 0.99011886);
  });
}
