// Script members of the plug-in: uploads, downloads, credentials, proxies, certificates and cookies.
#include "plugin/plugin_instance.h"

bool PluginInstance::RunInternetMember(MemberAccess, int, const std::vector<ScriptValue>&, ScriptValue&, NPVariant*) {
    return false;
}
