// Script members of the plug-in: the TWAIN sources, capabilities, settings and image information, and the webcam.
#include "plugin/plugin_instance.h"

bool PluginInstance::RunDeviceMember(MemberAccess, int, const std::vector<ScriptValue>&, ScriptValue&, NPVariant*) {
    return false;
}
