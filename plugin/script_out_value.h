// Out-values of the members that take objects: the value goes into the object's "value" property.
#pragma once

#include <cstdint>

#include "npapi/np_plugin_api.h"

// Writes an integer (as Int32) or a floating-point value (as Double) into object.value; false when
// there is no object or the browser refuses the write.
bool SetOutValue(NPP record, NPObject* object, int32_t value);
bool SetOutValue(NPP record, NPObject* object, double value);
