// The TWAIN session of the engine's root layer: the source manager, its one entry point, the
// source list, and the selection, opening, enabling, disabling and closing of a source.
#include <cstring>

#include "capture/debug_log.h"
#include "capture/twain/twain_base.h"

namespace {

// Identity texts come from the manager and the source: terminate every one of them in place.
void TerminateIdentity(TW_IDENTITY& id) {
    id.Version.Info[sizeof(id.Version.Info) - 1] = '\0';
    id.Manufacturer[sizeof(id.Manufacturer) - 1] = '\0';
    id.ProductFamily[sizeof(id.ProductFamily) - 1] = '\0';
    id.ProductName[sizeof(id.ProductName) - 1] = '\0';
}

bool FileExists(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool CTwainBase::OnTwainThread() const {
    return m_thread && m_thread->thread && GetCurrentThreadId() == m_thread->threadId;
}

TW_UINT16 CTwainBase::CallDSMEntry(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat,
                                   TW_UINT16 msg, TW_MEMREF data) {
    if (!m_dsmEntry) {
        // Not TWRC_SUCCESS: no caller may take a call that never happened for one that worked.
        SetErrorCode(kErrStateSequence);
        return TWRC_FAILURE;
    }
    if (DebugLogOn()) DebugLog(0, "CallDSMEntry: DG:%d, DAT:%d,MSG:%d \r\n", dg, dat, msg);
    TW_UINT16 rc;
    if (m_thread->thread && !OnTwainThread()) {
        rc = CarryCall(origin, dest, dg, dat, msg, data);
    } else {
        rc = m_dsmEntry(origin, dest, dg, dat, msg, data);
    }
    if (DebugLogOn()) DebugLog(0, "CallDSMEntry return: %d\r\n", rc);
    StoreCallOutcome(rc, origin, dest);
    return rc == TWRC_CHECKSTATUS ? TWRC_SUCCESS : rc;
}

void CTwainBase::StoreCallOutcome(TW_UINT16 rc, pTW_IDENTITY origin, pTW_IDENTITY dest) {
    switch (rc) {
        case TWRC_SUCCESS:
        case TWRC_CHECKSTATUS:
        case TWRC_DSEVENT:
        case TWRC_NOTDSEVENT:
        case TWRC_XFERDONE:
        case TWRC_ENDOFLIST: SetErrorCode(0); return;
        case kTwainBusyReturn: SetErrorCode(TWCC_MAXCONNECTIONS); return;
        case TWRC_CANCEL: SetErrorCode(kErrUserCancelled); return;
        default: break;
    }
    if (DebugLogOn()) DebugLog(0, "CallDSMEntry get status\r\n");
    TW_STATUS status = {};
    TW_UINT16 statusRc = (m_thread->thread && !OnTwainThread())
                             ? CarryCall(origin, dest, DG_CONTROL, DAT_STATUS, MSG_GET, &status)
                             : m_dsmEntry(origin, dest, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    if (statusRc == TWRC_SUCCESS) {
        if (DebugLogOn()) DebugLog(0, "CallDSMEntry get status ConditionCode:%d\r\n", status.ConditionCode);
        SetErrorCode(status.ConditionCode);
    } else {
        SetErrorCode(TWCC_BUMMER);
    }
}

BOOL CTwainBase::OpenSourceManager() {
    if (DebugLogOn()) DebugLog(0, "OpenSourceManager, dsopened:%d, dsmopened:%d\r\n", m_sourceOpen, m_dsmOpen);
    if (m_dsmOpen) {
        SetErrorCode(0);
        return TRUE;
    }
    char windows[MAX_PATH] = {};
    char twain32[MAX_PATH + 16] = {};
    UINT n = GetWindowsDirectoryA(windows, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) windows[0] = '\0';
    wsprintfA(twain32, "%s\\TWAIN_32.DLL", windows);
    char path[MAX_PATH + 32] = {};
    if (m_pluginManagerSearch) {
        if (FileExists(twain32)) {
            strcpy(path, twain32);
        } else {
            wsprintfA(path, "%s\\SysWOW64\\TWAINDSM.DLL", windows);
        }
    } else {
        char system[MAX_PATH] = {};
        UINT s = GetSystemDirectoryA(system, MAX_PATH);
        if (s == 0 || s >= MAX_PATH) {
            strcpy(path, "TWAINDSM.DLL");
        } else {
            wsprintfA(path, "%s\\TWAINDSM.DLL", system);
        }
    }
    if (DebugLogOn()) {
        if (strcmp(path, twain32) != 0) {
            DebugLog(0, "OpenSourceManager: %s not exist, TwainhWnd:%x\r\n", twain32,
                     static_cast<unsigned>(reinterpret_cast<UINT_PTR>(m_dsmWindow)));
        }
        DebugLog(0, "OpenSourceManager: load %s, TwainhWnd:%x, usetwaindsm:%d", path,
                 static_cast<unsigned>(reinterpret_cast<UINT_PTR>(m_dsmWindow)), 0);
    }
    HMODULE library = LoadLibraryA(path);
    if (!library) {
        SetErrorCode(kErrSourceManagerOpen);
        return FALSE;
    }
    auto entry = reinterpret_cast<DSMENTRYPROC>(GetProcAddress(library, "DSM_Entry"));
    if (!entry) {
        FreeLibrary(library);
        SetErrorCode(kErrSourceManagerOpen);
        return FALSE;
    }
    m_dsmLibrary = library;
    m_dsmEntry = entry;
    HWND parent = m_dsmWindow;
    if (CallDSMEntry(&m_appIdentity, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent) != TWRC_SUCCESS) {
        LONG code = GetErrorCode();
        FreeLibrary(m_dsmLibrary);
        m_dsmLibrary = nullptr;
        m_dsmEntry = nullptr;
        SetErrorCode(code);
        return FALSE;
    }
    m_dsmOpen = 1;
    RebuildSourceList();
    SetErrorCode(0);
    return TRUE;
}

void CTwainBase::RebuildSourceList() {
    // A manager may number its sources from 0: the list ends on a failed call, the end of the
    // list, a source without a name or a full table, never on an Id.
    m_sourceCount = 0;
    TW_IDENTITY id = {};
    TW_UINT16 rc = CallDSMEntry(&m_appIdentity, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &id);
    while (rc == TWRC_SUCCESS && m_sourceCount < kMaxTwainSources) {
        TerminateIdentity(id);
        if (id.ProductName[0] == '\0') break;
        m_sources[m_sourceCount++] = id;
        memset(&id, 0, sizeof(id));
        rc = CallDSMEntry(&m_appIdentity, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &id);
    }
}

BOOL CTwainBase::CloseSourceManager() {
    if (DebugLogOn()) DebugLog(0, "CloseSourceManager, dsopened:%d, dsmopened:%d\r\n", m_sourceOpen, m_dsmOpen);
    if (RefuseDuringBatch()) return FALSE;
    if (!m_dsmOpen) {
        SetErrorCode(0);
        return TRUE;
    }
    if (m_sourceOpen && !CloseSource()) return FALSE;
    HWND parent = m_dsmWindow;
    if (CallDSMEntry(&m_appIdentity, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent) != TWRC_SUCCESS) {
        return FALSE;
    }
    m_dsmOpen = 0;
    FreeLibrary(m_dsmLibrary);
    m_dsmLibrary = nullptr;
    m_dsmEntry = nullptr;
    m_sourceIdentity.Id = 0;
    m_sourceIdentity.ProductName[0] = '\0';
    m_sourceCount = 0;
    return TRUE;
}

SHORT CTwainBase::GetDataSourceCount() {
    if (DebugLogOn()) DebugLog(0, "GetDataSourceCount, dsopened:%d, dsmopened:%d\r\n", m_sourceOpen, m_dsmOpen);
    if (!m_dsmOpen && !OpenSourceManager()) return 0;
    SetErrorCode(0);
    return static_cast<SHORT>(m_sourceCount);
}

const char* CTwainBase::GetDataSourceName(int index) {
    if (DebugLogOn()) DebugLog(0, "GetDataSourceName, dsopened:%d, dsmopened:%d\r\n", m_sourceOpen, m_dsmOpen);
    if (!m_dsmOpen && !OpenSourceManager()) return nullptr;
    SetErrorCode(0);
    if (index < 0 || index >= m_sourceCount) return nullptr;
    return m_sources[index].ProductName;
}

void CTwainBase::GetDefaultSourceName(char (&name)[34]) {
    if (DebugLogOn()) DebugLog(0, "GetDefaultSourceName, dsopened:%d, dsmopened:%d\r\n", m_sourceOpen, m_dsmOpen);
    name[0] = '\0';
    if (!m_dsmOpen && !OpenSourceManager()) return;
    SetErrorCode(0);
    TW_IDENTITY id = {};
    if (CallDSMEntry(&m_appIdentity, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &id) == TWRC_SUCCESS) {
        TerminateIdentity(id);
        strcpy(name, id.ProductName);
    }
}

BOOL CTwainBase::SelectSource() {
    if (DebugLogOn()) DebugLog(0, "SelectSource, dsopened:%d, dsmopened:%d\r\n", m_sourceOpen, m_dsmOpen);
    if (RefuseDuringBatch()) return FALSE;
    if (m_sourceOpen && !CloseSource()) return FALSE;
    if (!m_dsmOpen && !OpenSourceManager()) return FALSE;
    TW_IDENTITY id = {};
    if (CallDSMEntry(&m_appIdentity, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &id) != TWRC_SUCCESS) {
        return FALSE;
    }
    TerminateIdentity(id);
    m_sourceIdentity = id;
    return TRUE;
}

BOOL CTwainBase::SelectSourceByIndex(int index) {
    if (DebugLogOn()) DebugLog(0, "SelectSourceByIndex, dsopened:%d, dsmopened:%d\r\n", m_sourceOpen, m_dsmOpen);
    if (RefuseDuringBatch()) return FALSE;
    if (!m_dsmOpen && !OpenSourceManager()) return FALSE;
    if (m_sourceOpen && !CloseSource()) return FALSE;
    if (index < 0 || index >= m_sourceCount) {
        SetErrorCode(kErrInvalidIndex);
        return FALSE;
    }
    m_sourceIdentity = m_sources[index];
    if (m_sourceIdentity.Id != 0 || m_sourceIdentity.ProductName[0] != '\0') {
        SetErrorCode(0);
        return TRUE;
    }
    SetErrorCode(TWCC_BADVALUE);
    return FALSE;
}

BOOL CTwainBase::OpenSource() {
    if (DebugLogOn()) {
        DebugLog(0, "OpenSource, dsopened:%d, dsmopened:%d, transfermode:%d\r\n", m_sourceOpen, m_dsmOpen,
                 m_transferMode);
    }
    if (!m_dsmOpen && !OpenSourceManager()) return FALSE;
    if (m_sourceOpen) {
        SetErrorCode(0);
        return TRUE;
    }
    if (CallDSMEntry(&m_appIdentity, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &m_sourceIdentity) !=
        TWRC_SUCCESS) {
        return FALSE;
    }
    TerminateIdentity(m_sourceIdentity);
    m_sourceOpen = 1;
    // The stored mechanism goes to the new source; a source that refuses it keeps its own, and
    // the open itself still succeeded.
    WriteTransferMechanism();
    SetErrorCode(0);
    return TRUE;
}

BOOL CTwainBase::EnableSource() {
    if (DebugLogOn()) {
        DebugLog(0, "EnableSource, dsopened:%d, dsmopened:%d, dsenabled:%d, showui:%d, modalui:%d\r\n", m_sourceOpen,
                 m_dsmOpen, m_sourceEnabled, m_ifShowUI, m_ifModalUI);
    }
    if (!m_sourceOpen && !OpenSource()) return FALSE;
    if (m_sourceEnabled) {
        SetErrorCode(TWCC_MAXCONNECTIONS);
        return TRUE;
    }
    if (!m_thread->thread) HookMessage();
    m_sourceEnabled = 1;
    TW_USERINTERFACE ui = {};
    ui.ShowUI = static_cast<TW_BOOL>(m_ifShowUI);
    ui.ModalUI = static_cast<TW_BOOL>(m_ifModalUI);
    ui.hParent = m_dsmWindow;
    if (CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) !=
        TWRC_SUCCESS) {
        m_sourceEnabled = 0;
        UnhookMessage();
    }
    return m_sourceEnabled ? TRUE : FALSE;
}

BOOL CTwainBase::DisableSource() {
    if (DebugLogOn()) DebugLog(0, "DisableSource, dsenabled:%d\r\n", m_sourceEnabled);
    if (RefuseDuringBatch()) return FALSE;
    UnhookMessage();
    if (!m_sourceEnabled) {
        SetErrorCode(0);
        return TRUE;
    }
    TW_USERINTERFACE ui = {};
    ui.ShowUI = TWON_DONTCARE8;
    ui.ModalUI = 0;
    ui.hParent = m_dsmWindow;
    if (CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui) !=
        TWRC_SUCCESS) {
        return FALSE;
    }
    m_sourceEnabled = 0;
    return TRUE;
}

BOOL CTwainBase::CloseSource() {
    if (DebugLogOn()) DebugLog(0, "CloseSource, dsopened:%d, dsmopened:%d\r\n", m_sourceOpen, m_dsmOpen);
    if (RefuseDuringBatch()) return FALSE;
    UnhookMessage();
    if (!m_sourceOpen) {
        SetErrorCode(0);
        return TRUE;
    }
    if (m_sourceEnabled && !DisableSource()) return FALSE;
    if (CallDSMEntry(&m_appIdentity, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &m_sourceIdentity) !=
        TWRC_SUCCESS) {
        return FALSE;
    }
    m_sourceOpen = 0;
    memset(&m_sourceIdentity, 0, sizeof(m_sourceIdentity));
    return TRUE;
}

BOOL CTwainBase::ProcessDSMMessage(MSG* msg) {
    if (DebugLogOn()) {
        DebugLog(0,
                 "ProcessDSMMessage msg:%d, inprocess:%d, scaninthread:%d dsopened:%d, dsmopened:%d, dsenabled:%d, "
                 "showui:%d, modalui:%d\r\n",
                 msg ? msg->message : 0, m_inProcess, m_ifScanInThread, m_sourceOpen, m_dsmOpen, m_sourceEnabled,
                 m_ifShowUI, m_ifModalUI);
    }
    if (m_inProcess || !msg) return FALSE;
    if (!m_dsmOpen || !m_sourceOpen || !m_sourceEnabled) return FALSE;
    TW_EVENT event = {};
    event.pEvent = msg;
    event.TWMessage = MSG_NULL;
    TW_UINT16 rc = CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
    bool sourceEvent = rc == TWRC_DSEVENT;
    if (DebugLogOn()) DebugLog(0, "ProcessDSMMessage twain msg:%d, twRC:%d, isTwainMsg:%d\r\n", event.TWMessage, rc, sourceEvent);
    // Only a source event carries a message; anything else leaves TWMessage meaningless.
    if (!sourceEvent) return FALSE;
    switch (event.TWMessage) {
        case MSG_XFERREADY:
            m_inProcess = 1;
            RunTransferBatch();
            m_inProcess = 0;
            break;
        case MSG_CLOSEDSREQ:
        case MSG_CLOSEDSOK:
            if (DisableSource() && CloseSource()) CloseSourceManager();
            if (event.TWMessage == MSG_CLOSEDSREQ && m_ifShowUI) OnSourceUICloseInner();
            break;
        default: break;
    }
    return TRUE;
}

BOOL CTwainBase::PreTranslateDSMMessage(MSG* msg) {
    if (m_thread->thread) return FALSE;
    return ProcessDSMMessage(msg);
}

LONG CTwainBase::DataSourceStatus() {
    SetErrorCode(0);
    if (!m_sourceOpen) return 0;
    if (!m_sourceEnabled) return 1;
    return m_transferState == 0 ? 3 : 2;
}

namespace {

char* IdentityField(TW_IDENTITY& identity, TwainIdentityText which) {
    switch (which) {
        case TwainIdentityText::Manufacturer: return identity.Manufacturer;
        case TwainIdentityText::ProductFamily: return identity.ProductFamily;
        case TwainIdentityText::ProductName: return identity.ProductName;
        case TwainIdentityText::VersionInfo: return identity.Version.Info;
    }
    return identity.ProductName;
}

}  // namespace

const char* CTwainBase::GetIdentityText(TwainIdentityText which) const {
    return IdentityField(const_cast<TW_IDENTITY&>(m_appIdentity), which);
}

void CTwainBase::SetIdentityText(TwainIdentityText which, const char* text) {
    SetErrorCode(0);
    if (!text || m_dsmOpen) return;
    char* field = IdentityField(m_appIdentity, which);
    const size_t length = strnlen(text, sizeof(TW_STR32) - 1);
    memmove(field, text, length);
    field[length] = '\0';
}
