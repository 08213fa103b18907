// OpenAI object model, the endpoints outside the assistants family, one header per family:
// models, completions and edits; chat completions with function definitions; images;
// embeddings; audio transcription and translation; fine-tunes; moderations.
#pragma once

#include "openai/ozkHTTP_API_OpenAI_Endpoints_Audio.h"
#include "openai/ozkHTTP_API_OpenAI_Endpoints_Chat.h"
#include "openai/ozkHTTP_API_OpenAI_Endpoints_Completions.h"
#include "openai/ozkHTTP_API_OpenAI_Endpoints_Embeddings.h"
#include "openai/ozkHTTP_API_OpenAI_Endpoints_FineTunes.h"
#include "openai/ozkHTTP_API_OpenAI_Endpoints_Images.h"
#include "openai/ozkHTTP_API_OpenAI_Endpoints_Moderations.h"
