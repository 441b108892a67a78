// Values crossing between JScript (VARIANT) and the plug-in (NPVariant): numbers, Booleans,
// texts (UTF-16 <-> UTF-8 in browser memory) and objects, each side's objects wrapped for the
// other and unwrapped again when they come back.
#pragma once

#include <oaidl.h>

#include "npapi/np_runtime.h"

namespace browser {

// A new NPVariant the receiver releases with ReleaseVariantValue.
NPVariant ToNPVariant(const VARIANT& value);
// Fills a VARIANT the receiver clears with VariantClear.
void ToVariant(const NPVariant& value, VARIANT* out);

}  // namespace browser
