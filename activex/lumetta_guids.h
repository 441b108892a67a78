// The fixed identities of the control (activex/lumetta_guids.def), as GUID constants.
#pragma once

#include "comcontrol/guid_text.h"

namespace lumetta {
#define LUMETTA_GUID(name, text) inline constexpr GUID name = comcontrol::GuidFromText(text);
#include "activex/lumetta_guids.def"
#undef LUMETTA_GUID
}  // namespace lumetta

