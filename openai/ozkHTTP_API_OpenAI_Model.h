// The OpenAI object model: the request and response objects of every endpoint and their JSON
// form, split by family.
#pragma once

#include "openai/ozkHTTP_API_OpenAI_Assistants.h"
#include "openai/ozkHTTP_API_OpenAI_Endpoints.h"
#include "openai/ozkHTTP_API_OpenAI_Files.h"
#include "openai/ozkHTTP_API_OpenAI_ModelBase.h"
#include "openai/ozkHTTP_API_OpenAI_Responses.h"
#include "openai/ozkHTTP_API_OpenAI_Runs.h"
