// The LogLevel property of the engine root: the process-wide log flag and the version line.
#include "capture/debug_log.h"
#include "capture/twain/twain_base.h"
#include "base/error_codes.h"

bool CTwainBase::SetLogLevel(SHORT level, bool pluginHost, const char* hostDetail) {
    if (level != 0 && level != 1) {
        SetErrorCode(kErrInvalidValue);
        return false;
    }
    g_LogFlag = level;
    if (level == 1 && !m_versionLogged) {
        if (pluginHost) {
            DebugLog(0, "Plugin Version info:%s, %s, x64:%d\r\n\r\n", kProductVersionText, hostDetail ? hostDetail : "",
                     0);
        } else {
            DebugLog(0, "Activex Version info:%s, %s, x64:%d\r\n\r\n", kProductVersionText, "", 1);
        }
        m_versionLogged = 1;
    }
    return true;
}

SHORT CTwainBase::GetLogLevel() const { return static_cast<SHORT>(g_LogFlag & 0xFFFF); }
