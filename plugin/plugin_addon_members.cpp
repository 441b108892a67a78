// Script members of the plug-in: the barcode and OCR add-ons.
#include "plugin/plugin_instance.h"

bool PluginInstance::RunAddOnMember(MemberAccess, int, const std::vector<ScriptValue>&, ScriptValue&, NPVariant*) {
    return false;
}
