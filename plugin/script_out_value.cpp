#include "plugin/script_out_value.h"

#include "plugin/browser_functions.h"

namespace {

bool WriteValue(NPP record, NPObject* object, const NPVariant& value) {
    if (!object) return false;
    return NPN_SetProperty(record, object, NPN_GetStringIdentifier("value"), &value);
}

}  // namespace

bool SetOutValue(NPP record, NPObject* object, int32_t value) {
    NPVariant v;
    INT32_TO_NPVARIANT(value, v);
    return WriteValue(record, object, v);
}

bool SetOutValue(NPP record, NPObject* object, double value) {
    NPVariant v;
    DOUBLE_TO_NPVARIANT(value, v);
    return WriteValue(record, object, v);
}
