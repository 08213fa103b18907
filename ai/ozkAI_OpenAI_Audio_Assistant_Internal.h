// Helpers that the files of the assistant workflow share; not part of the component's interface.
#pragma once

#include <string>

// Free text for a member that the object model writes as it stands: escaped like the
// instructions, and with a leading "{" or "[" as its \u form, since the writer would otherwise
// embed the text as JSON (a name such as "[draft] Tutor" would make the body invalid).
std::u16string EscapePlainMember(const std::u16string& aText);
