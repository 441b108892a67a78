// CScriptablePluginObject: the script object a page reaches the plug-in through. The browser
// creates it for the instance's record with the class below; the instance keeps one reference and
// detaches itself when it is destroyed, so a page that still holds the object finds no instance
// instead of freed memory.
#pragma once

#include "npapi/np_plugin_api.h"

class PluginInstance;

struct CScriptablePluginObject : NPObject {
    NPP record;
    PluginInstance* instance;  // null once the instance is gone

    static NPClass* Class();
    // A new object for an instance through the browser (one reference), or null.
    static CScriptablePluginObject* Create(PluginInstance* owner);
};

// The browser's identifiers of the script member names, by operation id (null for the empty
// separator names), filled anew by every instance construction.
void FillScriptIdentifierCache();
NPIdentifier ScriptIdentifier(int operationId);
