// An engine with the smallest host a test needs: the pure slots, the buffer-changed notice sent
// to its window as the hosts send it, and a record of every buffer change it was told of.
#pragma once

#include <string>
#include <vector>

#include "core/browser_addon_base.h"

struct BufferNotice {
    HGLOBAL handle;
    int quiet;
    int countAtCall;
    int currentAtCall;
};

class TestEngine : public CBrowserAddOnBase {
public:
    TestEngine() : CBrowserAddOnBase(GetModuleHandleA(nullptr), kHostActiveX) {}

    void OnBufferChanged(HGLOBAL current, int quiet) override;
    BOOL SetScriptString(void* scriptString, const char* text, BOOL resetError) override;
    void OnBeforeOperate(LONG, const char*) override {}
    void OnOperateStatus(const char*, LONG) override {}
    void OnAfterOperate(LONG, const char*, BOOL, const char*) override {}
    void OnPreTransfer() override { hooks.push_back("OnPreTransfer"); }
    void OnPostTransfer() override { hooks.push_back("OnPostTransfer"); }
    void OnPreAllTransfers() override { hooks.push_back("OnPreAllTransfers"); }
    void OnPostAllTransfers() override { hooks.push_back("OnPostAllTransfers"); }
    void OnTransferError() override { hooks.push_back("OnTransferError"); }
    void OnTransferCancelled() override { hooks.push_back("OnTransferCancelled"); }
    void OnSourceUIClose() override { hooks.push_back("OnSourceUIClose"); }

    // Test access to protected state.
    void FakeTwainThread(HANDLE thread, DWORD id) {
        m_thread->thread = thread;
        m_thread->threadId = id;
    }
    void SetShowUIFlag(LONG v) { m_ifShowUI = v; }

    std::vector<BufferNotice> notices;
    std::vector<std::string> hooks;
    std::string lastScriptString;
};
