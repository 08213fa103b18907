// OpenAI object model, image generation, edits and variations: the request and response objects and
// their JSON form.
#pragma once

#include "openai/ozkHTTP_API_OpenAI_Files.h"
#include "openai/ozkHTTP_API_OpenAI_ModelBase.h"

// --- Images --------------------------------------------------------------------------------------

class TozkOpenAIClass_Request_Image_Base : public TozkOpenAIClass {
 public:
  // N 1, ResponseFormat "url".
  TozkOpenAIClass_Request_Image_Base();
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_Image_Base, TozkOpenAIClass)

  int32_t N() const { return FN; }
  void SetN(int32_t aValue) { FN = aValue; }
  const std::u16string& ResponseFormat() const { return FResponseFormat; }
  void SetResponseFormat(std::u16string aValue) { FResponseFormat = std::move(aValue); }
  const std::u16string& Size() const { return FSize; }
  void SetSize(std::u16string aValue) { FSize = std::move(aValue); }
  const std::u16string& User() const { return FUser; }
  void SetUser(std::u16string aValue) { FUser = std::move(aValue); }

 protected:
  void DoWriteJSON() override;

 private:
  int32_t FN = 0;
  std::u16string FResponseFormat;
  std::u16string FSize;
  std::u16string FUser;
};

class TozkOpenAIClass_Request_Image : public TozkOpenAIClass_Request_Image_Base {
 public:
  TozkOpenAIClass_Request_Image() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_Image, TozkOpenAIClass_Request_Image_Base)

  const std::u16string& Prompt() const { return FPrompt; }
  void SetPrompt(std::u16string aValue) { FPrompt = std::move(aValue); }

 protected:
  void DoWriteJSON() override;

 private:
  std::u16string FPrompt;
};

// Sent as a multipart form: "image" and "mask" name local files.
class TozkOpenAIClass_Request_Image_Edit : public TozkOpenAIClass_Request_Image {
 public:
  TozkOpenAIClass_Request_Image_Edit() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_Image_Edit, TozkOpenAIClass_Request_Image)

  const std::u16string& Image() const { return FImage; }
  void SetImage(std::u16string aValue) { FImage = std::move(aValue); }
  const std::u16string& Mask() const { return FMask; }
  void SetMask(std::u16string aValue) { FMask = std::move(aValue); }

 protected:
  void DoWriteJSON() override;

 private:
  std::u16string FImage;
  std::u16string FMask;
};

// Sent as a multipart form: "image" names a local file.
class TozkOpenAIClass_Request_Image_Variation : public TozkOpenAIClass_Request_Image_Base {
 public:
  TozkOpenAIClass_Request_Image_Variation() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_Image_Variation,
                          TozkOpenAIClass_Request_Image_Base)

  const std::u16string& Image() const { return FImage; }
  void SetImage(std::u16string aValue) { FImage = std::move(aValue); }

 protected:
  void DoWriteJSON() override;

 private:
  std::u16string FImage;
};

class TozkOpenAIClass_Response_Image_Data : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Image_Data() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Image_Data, TozkOpenAIClass)

  const std::u16string& Url() const { return FUrl; }
  const std::u16string& B64_json() const { return FB64_json; }

 protected:
  void DoReadJSON() override;

 private:
  std::u16string FUrl;
  std::u16string FB64_json;
};

using TozkOpenAIArray_Response_Image_Data =
    std::vector<std::unique_ptr<TozkOpenAIClass_Response_Image_Data>>;

class TozkOpenAIClass_Response_Image : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Image() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Image, TozkOpenAIClass)

  const TozkOpenAIArray_Response_Image_Data& Data() const { return FData; }
  TozkOpenAIArray_Response_Image_Data& Data() { return FData; }
  // Read through the 32-bit reader.
  int64_t Created() const { return FCreated; }

 protected:
  void DoReadJSON() override;

 private:
  TozkOpenAIArray_Response_Image_Data FData;
  int64_t FCreated = 0;
};

class TozkOpenAIClass_Response_Image_Edit : public TozkOpenAIClass_Response_Image {
 public:
  TozkOpenAIClass_Response_Image_Edit() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Image_Edit, TozkOpenAIClass_Response_Image)
};

class TozkOpenAIClass_Response_Image_Variation : public TozkOpenAIClass_Response_Image {
 public:
  TozkOpenAIClass_Response_Image_Variation() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Image_Variation, TozkOpenAIClass_Response_Image)
};
