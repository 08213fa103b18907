// OpenAI object model, image generation, edits and variations: reading and writing.
#include "openai/ozkHTTP_API_OpenAI_Endpoints_Images.h"

// --- Images --------------------------------------------------------------------------------------

TozkOpenAIClass_Request_Image_Base::TozkOpenAIClass_Request_Image_Base() {
  FN = 1;
  FResponseFormat = u"url";
}

void TozkOpenAIClass_Request_Image_Base::DoWriteJSON() {
  TozkJSON* lDoc = GetJSON();
  if (FN != 0) lDoc->AddPair(u"n", FN);
  if (!FResponseFormat.empty()) lDoc->AddPair(u"response_format", FResponseFormat);
  if (!FSize.empty()) lDoc->AddPair(u"size", FSize);
  if (!FUser.empty()) lDoc->AddPair(u"user", FUser);
}

void TozkOpenAIClass_Request_Image::DoWriteJSON() {
  TozkOpenAIClass_Request_Image_Base::DoWriteJSON();
  if (!FPrompt.empty()) GetJSON()->AddPair(u"prompt", FPrompt);
}

void TozkOpenAIClass_Request_Image_Edit::DoWriteJSON() {
  TozkOpenAIClass_Request_Image::DoWriteJSON();
  TozkJSON* lDoc = GetJSON();
  if (!FImage.empty()) lDoc->AddPair(u"image", FImage);
  if (!FMask.empty()) lDoc->AddPair(u"mask", FMask);
}

void TozkOpenAIClass_Request_Image_Variation::DoWriteJSON() {
  TozkOpenAIClass_Request_Image_Base::DoWriteJSON();
  if (!FImage.empty()) GetJSON()->AddPair(u"image", FImage);
}

void TozkOpenAIClass_Response_Image_Data::DoReadJSON() {
  FUrl = ReadString(u"url");
  FB64_json = ReadString(u"b64_json");
}

void TozkOpenAIClass_Response_Image::DoReadJSON() {
  ReadObjectArray<TozkOpenAIClass_Response_Image_Data>(u"data", FData);
  FCreated = ReadInteger(u"created");
}
