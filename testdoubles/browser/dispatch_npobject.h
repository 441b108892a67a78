// A JScript value seen from the plug-in: an NPObject over the script's IDispatch (arrays, objects
// with a "value", functions, the page's global object as the window). Properties are found by
// name or by element number, calls run the script; elements that do not exist yet are made when
// written, as a script engine does.
#pragma once

#include <oaidl.h>

#include "npapi/np_runtime.h"

namespace browser {

struct DispatchNPObject : NPObject {
    IDispatch* dispatch;

    static NPClass* Class();
    // A new object (one reference) that holds one reference of the dispatch.
    static NPObject* Wrap(IDispatch* dispatch);
    // The dispatch behind an object of this kind, or null (no new reference).
    static IDispatch* Unwrap(NPObject* object);
};

}  // namespace browser
