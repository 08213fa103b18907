// Declarations shared by the endpoint families' .cpp files only (not part of the model's
// interface).
#pragma once

#include "openai/ozkHTTP_API_OpenAI_ModelBase.h"
#include "json/ozkJSON.h"

// The "stop" member of a completion or chat completion request: each distinct text once, every
// text added under its own text as name, so a repeated text only sets the value of the member
// it already has.
void WriteStop(TozkJSON& aDoc, const TozkArrayOfString& aStop);
