#include "plugin/xpcom_glue.h"

#include <windows.h>

namespace {

template <typename Fn>
bool Bind(HMODULE module, const char* name, Fn* out) {
    *out = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return *out != nullptr;
}

}  // namespace

bool BindXpcomRuntime(XpcomRuntime* runtime) {
    if (!runtime) return false;
    *runtime = XpcomRuntime{};
    HMODULE module = GetModuleHandleA("xpcom.dll");
    if (!module) module = GetModuleHandleA("xul.dll");
    if (!module) return false;
    XpcomRuntime bound;
    if (!Bind(module, kNsGetServiceManagerName, &bound.getServiceManager) ||
        !Bind(module, kNsCStringContainerInitName, &bound.containerInit) ||
        !Bind(module, kNsCStringContainerFinishName, &bound.containerFinish) ||
        !Bind(module, kNsCStringGetDataName, &bound.getData) || !Bind(module, kNsCStringSetDataName, &bound.setData))
        return false;
    *runtime = bound;
    return true;
}

XpcomString::XpcomString(const XpcomRuntime& runtime) : m_runtime(runtime) {
    if (NS_FAILED(m_runtime.containerInit(m_container))) return;
    m_ready = true;
    m_runtime.setData(Target(), "", 0);
}

XpcomString::~XpcomString() {
    if (m_ready) m_runtime.containerFinish(m_container);
}

std::string XpcomString::Text() const {
    if (!m_ready) return {};
    const char* data = nullptr;
    PRBool terminated = 0;
    uint32_t length = m_runtime.getData(reinterpret_cast<const nsACString&>(m_container), &data, &terminated);
    if (!data) return {};
    return std::string(data, length);
}
