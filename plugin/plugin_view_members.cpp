// Script members of the plug-in: the viewer, files and image data, PDF settings, text, the editor and printing.
#include "plugin/plugin_instance.h"

bool PluginInstance::RunViewMember(MemberAccess, int, const std::vector<ScriptValue>&, ScriptValue&, NPVariant*) {
    return false;
}
