// The OpenAI REST client and its object model: include this to use either.
#pragma once

#include "openai/ozkHTTP_API_OpenAI_Client.h"
#include "openai/ozkHTTP_API_OpenAI_Model.h"
