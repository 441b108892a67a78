#include "support/test_engine.h"

#include "base/event_record.h"

void TestEngine::OnBufferChanged(HGLOBAL current, int quiet) {
    notices.push_back({current, quiet, Count(), Current()});
    CBrowserAddOnBase::OnBufferChanged(current, quiet);
    if (m_suspendViewUpdates || quiet) return;
    EventRecord notice = MakeEventRecord(kEventBitmap);
    notice.Value = kBufferChangedValue;
    SendEventRecord(OwnerWindow(), notice);
}

BOOL TestEngine::SetScriptString(void*, const char* text, BOOL resetError) {
    lastScriptString = text ? text : "";
    if (resetError) SetErrorCode(0);
    return TRUE;
}
