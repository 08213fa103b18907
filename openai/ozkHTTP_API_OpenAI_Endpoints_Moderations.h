// OpenAI object model, moderations: the request and response objects and their JSON form.
#pragma once

#include "openai/ozkHTTP_API_OpenAI_Files.h"
#include "openai/ozkHTTP_API_OpenAI_ModelBase.h"

// --- Moderations ---------------------------------------------------------------------------------

class TozkOpenAIClass_Request_Moderation : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Request_Moderation() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Request_Moderation, TozkOpenAIClass)

  const std::u16string& Model() const { return FModel; }
  void SetModel(std::u16string aValue) { FModel = std::move(aValue); }
  const std::u16string& Input() const { return FInput; }
  void SetInput(std::u16string aValue) { FInput = std::move(aValue); }

 protected:
  void DoWriteJSON() override;

 private:
  std::u16string FModel;
  std::u16string FInput;
};

class TozkOpenAIClass_Response_Moderation_Results_Categories : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Moderation_Results_Categories() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Moderation_Results_Categories, TozkOpenAIClass)

  bool Hate() const { return FHate; }
  bool HateThreatening() const { return FHateThreatening; }
  bool SelfHarm() const { return FSelfHarm; }
  bool Sexual() const { return FSexual; }
  bool SexualMinors() const { return FSexualMinors; }
  bool Violence() const { return FViolence; }
  bool ViolenceGraphic() const { return FViolenceGraphic; }

 protected:
  void DoReadJSON() override;

 private:
  bool FHate = false;
  bool FHateThreatening = false;
  bool FSelfHarm = false;
  bool FSexual = false;
  bool FSexualMinors = false;
  bool FViolence = false;
  bool FViolenceGraphic = false;
};

class TozkOpenAIClass_Response_Moderation_Results_CategoryScores : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Moderation_Results_CategoryScores() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Moderation_Results_CategoryScores,
                          TozkOpenAIClass)

  double Hate() const { return FHate; }
  double HateThreatening() const { return FHateThreatening; }
  double SelfHarm() const { return FSelfHarm; }
  double Sexual() const { return FSexual; }
  double SexualMinors() const { return FSexualMinors; }
  double Violence() const { return FViolence; }
  double ViolenceGraphic() const { return FViolenceGraphic; }

 protected:
  void DoReadJSON() override;

 private:
  double FHate = 0;
  double FHateThreatening = 0;
  double FSelfHarm = 0;
  double FSexual = 0;
  double FSexualMinors = 0;
  double FViolence = 0;
  double FViolenceGraphic = 0;
};

class TozkOpenAIClass_Response_Moderation_Results : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Moderation_Results() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Moderation_Results, TozkOpenAIClass)

  // Both created on first read.
  TozkOpenAIClass_Response_Moderation_Results_Categories* Categories();
  TozkOpenAIClass_Response_Moderation_Results_CategoryScores* CategoryScores();
  bool Flagged() const { return FFlagged; }

 protected:
  void DoReadJSON() override;

 private:
  std::unique_ptr<TozkOpenAIClass_Response_Moderation_Results_Categories> FCategories;
  std::unique_ptr<TozkOpenAIClass_Response_Moderation_Results_CategoryScores> FCategoryScores;
  bool FFlagged = false;
};

using TozkOpenAIArray_Response_Moderation_Results =
    std::vector<std::unique_ptr<TozkOpenAIClass_Response_Moderation_Results>>;

class TozkOpenAIClass_Response_Moderation : public TozkOpenAIClass {
 public:
  TozkOpenAIClass_Response_Moderation() = default;
  OZK_OPENAI_CONSTRUCTORS(TozkOpenAIClass_Response_Moderation, TozkOpenAIClass)

  const std::u16string& Id() const { return FId; }
  const std::u16string& Model() const { return FModel; }
  const TozkOpenAIArray_Response_Moderation_Results& Results() const { return FResults; }
  TozkOpenAIArray_Response_Moderation_Results& Results() { return FResults; }

 protected:
  void DoReadJSON() override;

 private:
  std::u16string FId;
  std::u16string FModel;
  TozkOpenAIArray_Response_Moderation_Results FResults;
};
