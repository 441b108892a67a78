// The message hook shared by the controls of one thread: however many controls ask for it, a
// queued message passes the hook procedure once.
#include <gtest/gtest.h>

#include "core/thread_message_hook.h"

namespace {

int g_seen = 0;
constexpr UINT kProbe = WM_APP + 17;

LRESULT CALLBACK CountingHook(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code >= 0 && wParam == PM_REMOVE && msg->message == kProbe) ++g_seen;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

int PostAndCount() {
    g_seen = 0;
    PostThreadMessageW(GetCurrentThreadId(), kProbe, 0, 0);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    return g_seen;
}

}  // namespace

TEST(ThreadMessageHook, OneHookPerThreadCountedByItsUsers) {
    HINSTANCE module = GetModuleHandleW(nullptr);
    EXPECT_EQ(PostAndCount(), 0);
    HHOOK first = AcquireThreadMessageHook(module, CountingHook);
    ASSERT_NE(first, nullptr);
    HHOOK second = AcquireThreadMessageHook(module, CountingHook);
    EXPECT_EQ(first, second) << "the second control shares the thread's hook";
    EXPECT_EQ(PostAndCount(), 1) << "each message is offered once";
    ReleaseThreadMessageHook(second);
    EXPECT_EQ(PostAndCount(), 1) << "still hooked while one control holds it";
    ReleaseThreadMessageHook(first);
    EXPECT_EQ(PostAndCount(), 0) << "the last release removes the hook";
    ReleaseThreadMessageHook(first);  // one release too many changes nothing
    HHOOK again = AcquireThreadMessageHook(module, CountingHook);
    EXPECT_EQ(PostAndCount(), 1);
    ReleaseThreadMessageHook(again);
}
