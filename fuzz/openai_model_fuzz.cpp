// Fuzz target: every class of the object model read from arbitrary JSON. Byte 0 picks the
// class; the rest is the text. Reading either succeeds or raises an error of the system; an
// object that read its text writes the same text twice in a row, and reading nested members in
// place gives the same object as reading them through their text.
#include <string>

#include "base/ozkText.h"
#include "fuzz/ozkFuzzCheck.h"
#include "openai/ozkHTTP_API_OpenAI_Model.h"

namespace {

struct TRead {
  bool Failed = false;
  std::u16string Written;
};

template <class T> TRead ReadAs(const std::u16string& aText, bool aThroughText) {
  TozkOpenAIClass::SetNestedReadThroughText(aThroughText);
  TRead read;
  try {
    T object(aText);
    read.Written = object.AsString();
    if (object.AsString() != read.Written) ozkfuzz::Fail("two writes in a row differ");
  } catch (const Exception&) {
    read.Failed = true;
  }
  return read;
}

template <class T> void Check(const std::u16string& aText) {
  const TRead inPlace = ReadAs<T>(aText, false);
  const TRead throughText = ReadAs<T>(aText, true);
  if (inPlace.Failed != throughText.Failed || inPlace.Written != throughText.Written)
    ozkfuzz::Fail("nested members read in place and through text differ",
                  "\n  in place:     " + UTF16ToUTF8(inPlace.Written) +
                      "\n  through text: " + UTF16ToUTF8(throughText.Written));
}

using TCheck = void (*)(const std::u16string&);

const TCheck kClasses[] = {
    &Check<TozkOpenAIClass_Additional_Messages>,
    &Check<TozkOpenAIClass_Annotation_FileCitation>,
    &Check<TozkOpenAIClass_Annotation_FilePath>,
    &Check<TozkOpenAIClass_Assistant>,
    &Check<TozkOpenAIClass_Assistant_Base>,
    &Check<TozkOpenAIClass_Assistant_Resources>,
    &Check<TozkOpenAIClass_Assistant_Resources_CodeInterpreter>,
    &Check<TozkOpenAIClass_Assistant_Resources_FileSearch>,
    &Check<TozkOpenAIClass_Assistant_Tool>,
    &Check<TozkOpenAIClass_Assistant_Tool_CodeInterpreter>,
    &Check<TozkOpenAIClass_Assistant_Tool_FileSearch>,
    &Check<TozkOpenAIClass_Assistant_Tool_Function>,
    &Check<TozkOpenAIClass_Conversation>,
    &Check<TozkOpenAIClass_FileCounts>,
    &Check<TozkOpenAIClass_Message>,
    &Check<TozkOpenAIClass_MessageContent_Base>,
    &Check<TozkOpenAIClass_MessageContent_ImageFile>,
    &Check<TozkOpenAIClass_MessageContent_ImageUrl>,
    &Check<TozkOpenAIClass_MessageContent_Text>,
    &Check<TozkOpenAIClass_Message_Attachment>,
    &Check<TozkOpenAIClass_Message_Base>,
    &Check<TozkOpenAIClass_Request_Assistant>,
    &Check<TozkOpenAIClass_Request_ChatCompletion>,
    &Check<TozkOpenAIClass_Request_ChatCompletion_Function>,
    &Check<TozkOpenAIClass_Request_ChatCompletion_Function_Parameter>,
    &Check<TozkOpenAIClass_Request_ChatCompletion_Function_Parameter_Object>,
    &Check<TozkOpenAIClass_Request_Completion>,
    &Check<TozkOpenAIClass_Request_Completion_Message>,
    &Check<TozkOpenAIClass_Request_Conversation>,
    &Check<TozkOpenAIClass_Request_ConversationItems>,
    &Check<TozkOpenAIClass_Request_ConversationUpdate>,
    &Check<TozkOpenAIClass_Request_Edit>,
    &Check<TozkOpenAIClass_Request_Embeddings>,
    &Check<TozkOpenAIClass_Request_FineTune>,
    &Check<TozkOpenAIClass_Request_Image>,
    &Check<TozkOpenAIClass_Request_Image_Base>,
    &Check<TozkOpenAIClass_Request_Image_Edit>,
    &Check<TozkOpenAIClass_Request_Image_Variation>,
    &Check<TozkOpenAIClass_Request_Message>,
    &Check<TozkOpenAIClass_Request_Moderation>,
    &Check<TozkOpenAIClass_Request_Response>,
    &Check<TozkOpenAIClass_Request_Run>,
    &Check<TozkOpenAIClass_Request_Thread>,
    &Check<TozkOpenAIClass_Request_ToolOutputs>,
    &Check<TozkOpenAIClass_Request_Transcription>,
    &Check<TozkOpenAIClass_Request_Translation>,
    &Check<TozkOpenAIClass_Request_UploadFile>,
    &Check<TozkOpenAIClass_Request_VectorStore>,
    &Check<TozkOpenAIClass_Response>,
    &Check<TozkOpenAIClass_ResponseAnnotation>,
    &Check<TozkOpenAIClass_ResponseAnnotation_FileCitation>,
    &Check<TozkOpenAIClass_ResponseAnnotation_FilePath>,
    &Check<TozkOpenAIClass_ResponseAnnotation_UrlCitation>,
    &Check<TozkOpenAIClass_ResponseContent>,
    &Check<TozkOpenAIClass_ResponseItem>,
    &Check<TozkOpenAIClass_ResponseItem_CodeInterpreterCall>,
    &Check<TozkOpenAIClass_ResponseItem_FileSearchCall>,
    &Check<TozkOpenAIClass_ResponseItem_Message>,
    &Check<TozkOpenAIClass_ResponseStreamEvent>,
    &Check<TozkOpenAIClass_ResponseTool>,
    &Check<TozkOpenAIClass_ResponseTool_CodeInterpreter>,
    &Check<TozkOpenAIClass_ResponseTool_FileSearch>,
    &Check<TozkOpenAIClass_ResponseUsage>,
    &Check<TozkOpenAIClass_Response_Base>,
    &Check<TozkOpenAIClass_Response_ChatCompletion>,
    &Check<TozkOpenAIClass_Response_ChatCompletion_Choices>,
    &Check<TozkOpenAIClass_Response_ChatCompletion_Choices_Message>,
    &Check<TozkOpenAIClass_Response_Completion>,
    &Check<TozkOpenAIClass_Response_Completion_Choices>,
    &Check<TozkOpenAIClass_Response_Delete>,
    &Check<TozkOpenAIClass_Response_Delete_Status>,
    &Check<TozkOpenAIClass_Response_Edit>,
    &Check<TozkOpenAIClass_Response_Edit_Choices>,
    &Check<TozkOpenAIClass_Response_Embeddings>,
    &Check<TozkOpenAIClass_Response_Embeddings_Data>,
    &Check<TozkOpenAIClass_Response_Embeddings_Usage>,
    &Check<TozkOpenAIClass_Response_File>,
    &Check<TozkOpenAIClass_Response_Files>,
    &Check<TozkOpenAIClass_Response_FineTune>,
    &Check<TozkOpenAIClass_Response_FineTune_Event>,
    &Check<TozkOpenAIClass_Response_FineTune_Events>,
    &Check<TozkOpenAIClass_Response_FineTune_HyperParams>,
    &Check<TozkOpenAIClass_Response_FineTunes>,
    &Check<TozkOpenAIClass_Response_Image>,
    &Check<TozkOpenAIClass_Response_Image_Data>,
    &Check<TozkOpenAIClass_Response_Image_Edit>,
    &Check<TozkOpenAIClass_Response_Image_Variation>,
    &Check<TozkOpenAIClass_Response_List_Assistants>,
    &Check<TozkOpenAIClass_Response_List_Items>,
    &Check<TozkOpenAIClass_Response_List_Messages>,
    &Check<TozkOpenAIClass_Response_List_RunSteps>,
    &Check<TozkOpenAIClass_Response_List_Runs>,
    &Check<TozkOpenAIClass_Response_List_VectorStoreFiles>,
    &Check<TozkOpenAIClass_Response_List_VectorStoreFilesBatch>,
    &Check<TozkOpenAIClass_Response_List_VectorStores>,
    &Check<TozkOpenAIClass_Response_Model_Data>,
    &Check<TozkOpenAIClass_Response_Model_Permission>,
    &Check<TozkOpenAIClass_Response_Models>,
    &Check<TozkOpenAIClass_Response_Moderation>,
    &Check<TozkOpenAIClass_Response_Moderation_Results>,
    &Check<TozkOpenAIClass_Response_Moderation_Results_Categories>,
    &Check<TozkOpenAIClass_Response_Moderation_Results_CategoryScores>,
    &Check<TozkOpenAIClass_Response_Transcription>,
    &Check<TozkOpenAIClass_Response_Translation>,
    &Check<TozkOpenAIClass_Run>,
    &Check<TozkOpenAIClass_RunStepDetail_Details>,
    &Check<TozkOpenAIClass_RunStepDetail_Details_MessageCreation>,
    &Check<TozkOpenAIClass_RunStepDetail_Details_ToolCalls>,
    &Check<TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter>,
    &Check<TozkOpenAIClass_RunStepDetail_Details_ToolCalls_CodeInterpreter_Outputs>,
    &Check<TozkOpenAIClass_RunStepDetail_Details_ToolCalls_FileSearch>,
    &Check<TozkOpenAIClass_RunStepDetail_Details_ToolCalls_Function>,
    &Check<TozkOpenAIClass_RunSteps>,
    &Check<TozkOpenAIClass_Run_Base>,
    &Check<TozkOpenAIClass_Thread>,
    &Check<TozkOpenAIClass_TruncationStrategy>,
    &Check<TozkOpenAIClass_VectorStore>,
    &Check<TozkOpenAIClass_VectorStoreFile>,
    &Check<TozkOpenAIClass_VectorStoreFileBatch>,
    &Check<TozkOpenAIClass_VectorStore_Base>,
    &Check<TozkOpenAI_ExpiresAfter>,
    &Check<TozkOpenAI_Response_Model_Class>,
    &Check<TozkOpenaIClass_Annotation>,
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  if (aSize < 1) return 0;
  constexpr size_t count = sizeof(kClasses) / sizeof(kClasses[0]);
  kClasses[aData[0] % count](UTF8ToUTF16(aData + 1, aSize - 1));
  return 0;
}
