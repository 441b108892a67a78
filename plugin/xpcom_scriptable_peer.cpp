#include "plugin/xpcom_scriptable_peer.h"

#include <cstring>
#include <new>
#include <vector>

#include "base/error_codes.h"
#include "core/operation_name_table.h"
#include "plugin/browser_functions.h"
#include "plugin/plugin_instance.h"
#include "plugin/script_text.h"
#include "plugin/script_values.h"

const nsIID kIID_LumettaScriptPeer = {0x5b1d7c9e, 0x3f2a, 0x4e61, {0x9a, 0x8c, 0x2d, 0x4e, 0x6f, 0x70, 0x81, 0x92}};

namespace {

using xpcom_peer::In;
using xpcom_peer::Letters;
using xpcom_peer::Out;

XpcomScriptablePeer* PeerOf(void* self) { return static_cast<XpcomScriptablePeer*>(self); }

// ---- out-values of the methods that give several (GetViewMode, GetImageLayout) ----

// The member operations write such a value into the "value" property of an object, as a page's
// out-object; the peer lends them one and reads it back.
struct OutValueObject : NPObject {
    NPVariant value;
};

NPObject* NP_RUNTIME_CALL AllocateOutValue(void*, NPClass*) {
    auto* object = new (std::nothrow) OutValueObject();
    if (object) VOID_TO_NPVARIANT(object->value);
    return object;
}
void NP_RUNTIME_CALL DeallocateOutValue(NPObject* object) { delete static_cast<OutValueObject*>(object); }
bool NP_RUNTIME_CALL HasOutValue(NPObject*, NPIdentifier) { return true; }
bool NP_RUNTIME_CALL GetOutValue(NPObject* object, NPIdentifier, NPVariant* result) {
    if (!result) return false;
    *result = static_cast<OutValueObject*>(object)->value;
    return true;
}
bool NP_RUNTIME_CALL SetOutValue(NPObject* object, NPIdentifier, const NPVariant* value) {
    // Numbers and Booleans only: nothing that owns browser memory is kept.
    if (!value || !IsPrimitive(*value) || value->type == NPVariantType_String) return false;
    static_cast<OutValueObject*>(object)->value = *value;
    return true;
}
NPClass g_outValueClass = {1, AllocateOutValue, DeallocateOutValue, nullptr, nullptr, nullptr, nullptr,
                           HasOutValue, GetOutValue, SetOutValue, nullptr, nullptr, nullptr};

// The objects lent to one call, released when it ends.
class OutValues {
public:
    explicit OutValues(XpcomScriptablePeer* peer) : m_record(peer->instance ? peer->instance->Record() : nullptr) {}
    ~OutValues() {
        for (NPObject* object : m_objects)
            if (object) NPN_ReleaseObject(object);
    }
    OutValues(const OutValues&) = delete;
    OutValues& operator=(const OutValues&) = delete;
    NPObject* Lend() {
        m_objects.push_back(m_record ? NPN_CreateObject(m_record, &g_outValueClass) : nullptr);
        return m_objects.back();
    }
    // The value of the n-th lent object (Void when there is none).
    NPVariant Value(size_t n) const {
        NPVariant v;
        VOID_TO_NPVARIANT(v);
        if (n < m_objects.size() && m_objects[n]) v = static_cast<OutValueObject*>(m_objects[n])->value;
        return v;
    }

private:
    NPP m_record;
    std::vector<NPObject*> m_objects;
};

// ---- arguments in ----

// Booleans in: true only for the value 1, read from the low byte.
template <char L>
ScriptValue ToValue(typename In<L>::type v, OutValues& outs) {
    ScriptValue s;
    if constexpr (L == 's') {
        s.text = v ? v : "";
        s.hasText = true;
    } else if constexpr (L == 'i') {
        s.i = v;
    } else if constexpr (L == 'h') {
        s.h = v;
        s.i = v;
    } else if constexpr (L == 'f') {
        s.f = v;
    } else if constexpr (L == 'd') {
        s.d = v;
    } else if constexpr (L == 'b') {
        s.b = (static_cast<uint32_t>(v) & 0xFFu) == 1;
        s.i = s.b ? 1 : 0;
    } else if constexpr (L == 'H' || L == 'F') {
        (void)v;
        s.object = outs.Lend();
    }
    return s;
}

// Out-arguments back to the caller after the call; the n-th lent object belongs to argument n.
template <char L>
void WriteBack(typename In<L>::type v, const OutValues& outs, size_t* lent, bool attached) {
    if constexpr (L == 'H' || L == 'F') {
        NPVariant value = outs.Value((*lent)++);
        if (!v) return;
        if constexpr (L == 'H') *v = attached ? ToInt16(value) : 0;
        else *v = attached ? static_cast<float>(ToDouble(value)) : 0.0f;
    } else {
        (void)v;
        (void)outs;
        (void)lent;
        (void)attached;
    }
}

// ---- results out ----

// A text result as a copy in browser memory; the member operations give their texts as browser
// strings, taken back to the system code page here.
char* BrowserCopy(const NPVariant& text) {
    std::string ansi = text.type == NPVariantType_String ? BrowserStringToAnsi(text.value.stringValue) : std::string();
    auto* copy = static_cast<char*>(NPN_MemAlloc(static_cast<uint32_t>(ansi.size() + 1)));
    if (copy) std::memcpy(copy, ansi.c_str(), ansi.size() + 1);
    return copy;
}

template <char R>
void WriteZero(typename Out<R>::type out) {
    if constexpr (R == 'S') *out = nullptr;
    else *out = 0;
}

template <char R>
void WriteResult(typename Out<R>::type out, const ScriptValue& v, const NPVariant& text) {
    if constexpr (R == 'B') *out = v.b || v.i != 0 ? 1 : 0;
    else if constexpr (R == 'S') *out = BrowserCopy(text);
    else if constexpr (R == 'D') *out = v.d;
    else if constexpr (R == 'F') *out = v.f;
    else if constexpr (R == 'I') *out = v.i;
    else if constexpr (R == 'H') *out = v.h;
}

// Runs one operation on the attached instance; false when detached or when this build lacks the
// member (then the instance's error code says so). The peer stays alive through the call: page
// script may run inside it and destroy the instance.
template <typename Call>
bool Forward(XpcomScriptablePeer* peer, LONG unsupported, Call call) {
    if (!peer->instance) return false;
    peer->AddRef();
    bool built = false;
    bool attached = false;
    {
        PluginCall hold(peer->instance);
        built = call(peer->instance);
        attached = peer->instance != nullptr;
        if (!built && attached) peer->instance->SetErrorCode(unsupported);
    }
    peer->Release();
    return built && attached;
}

// ---- the byte-block members ----

nsresult LoadImageFromBytes(void* self, int32_t size, const uint8_t* buffer, int32_t offset, int32_t type,
                            PRBool* out) {
    if (!out) return NS_ERROR_NULL_POINTER;
    *out = 0;
    PluginInstance* instance = PeerOf(self)->instance;
    if (!instance) return NS_OK;
    instance->SetErrorCode(0);
    if (type < OSTRL_BMP || type > OSTRL_PDF) {
        instance->SetErrorCode(kErrFileExtension);
        return NS_OK;
    }
    if (!buffer || size <= 0 || offset < 0) {
        instance->SetErrorCode(kErrInvalidValue);
        return NS_OK;
    }
    XpcomScriptablePeer* peer = PeerOf(self);
    peer->AddRef();
    {
        PluginCall hold(instance);
        *out = instance->LoadImageFromMemory(buffer + offset, static_cast<DWORD>(size), type) ? 1 : 0;
    }
    peer->Release();
    return NS_OK;
}

nsresult SaveSelectedImagesToBytes(void* self, int32_t capacity, uint8_t* buffer, int32_t offset, int32_t* out) {
    if (!out) return NS_ERROR_NULL_POINTER;
    *out = 0;
    PluginInstance* instance = PeerOf(self)->instance;
    if (!instance) return NS_OK;
    bool fits = buffer && offset >= 0 && offset < capacity;
    *out = instance->TakeSelectedImagesPiece(fits ? buffer + offset : nullptr, fits ? capacity - offset : 0);
    return NS_OK;
}

// ---- the generated members ----

template <int Op, Letters A, char R, typename = std::make_index_sequence<A.size>>
struct MethodThunk;
template <int Op, Letters A, char R, size_t... I>
struct MethodThunk<Op, A, R, std::index_sequence<I...>> {
    static nsresult XPCOM_METHOD_CALL Call(void* self, typename In<A.c[I]>::type... args,
                                           typename Out<R>::type out) {
        if constexpr (Op == kOpLoadImageFromBytes) {
            return LoadImageFromBytes(self, args..., out);
        } else if constexpr (Op == kOpSaveSelectedImagesToBytes) {
            return SaveSelectedImagesToBytes(self, args..., out);
        } else {
            if (!out) return NS_ERROR_NULL_POINTER;
            XpcomScriptablePeer* peer = PeerOf(self);
            OutValues outs(peer);
            std::vector<ScriptValue> values{ToValue<A.c[I]>(args, outs)...};
            ScriptValue result;
            NPVariant text;
            VOID_TO_NPVARIANT(text);
            bool ran = Forward(peer, kErrMethodUnsupported,
                               [&](PluginInstance* instance) { return instance->RunMethod(Op, values, result, &text); });
            if (ran) WriteResult<R>(out, result, text);
            else WriteZero<R>(out);
            size_t lent = 0;
            (WriteBack<A.c[I]>(args, outs, &lent, ran), ...);
            NPN_ReleaseVariantValue(&text);
            return NS_OK;
        }
    }
};

template <int Op, char G>
nsresult XPCOM_METHOD_CALL Getter(void* self, typename Out<G>::type out) {
    if (!out) return NS_ERROR_NULL_POINTER;
    if constexpr (Op == kOpMagType || Op == kOpMagData) {
        // Only the other script route serves these two.
        WriteZero<G>(out);
        (void)self;
        return NS_ERROR_NOT_IMPLEMENTED;
    } else {
        ScriptValue value;
        NPVariant text;
        VOID_TO_NPVARIANT(text);
        bool ran = Forward(PeerOf(self), kErrPropertyUnsupported,
                           [&](PluginInstance* instance) { return instance->ReadProperty(Op, value, &text); });
        if (ran) WriteResult<G>(out, value, text);
        else WriteZero<G>(out);
        NPN_ReleaseVariantValue(&text);
        return NS_OK;
    }
}

template <int Op, char S>
nsresult XPCOM_METHOD_CALL Setter(void* self, typename In<S>::type value) {
    XpcomScriptablePeer* peer = PeerOf(self);
    OutValues none(peer);
    ScriptValue converted = ToValue<S>(value, none);
    Forward(peer, kErrPropertyUnsupported, [&](PluginInstance* instance) { return instance->WriteProperty(Op, converted); });
    return NS_OK;
}

// ---- the script interface's own three and the class-info face ----

nsresult XPCOM_METHOD_CALL QueryInterface(void* self, const nsIID* iid, void** result) {
    if (!result) return NS_ERROR_NULL_POINTER;
    XpcomScriptablePeer* peer = PeerOf(self);
    *result = nullptr;
    if (!iid) return NS_NOINTERFACE;
    if (iid->Equals(kIID_LumettaScriptPeer) || iid->Equals(kIID_nsISupports)) *result = peer;
    else if (iid->Equals(kIID_nsIClassInfo)) *result = &peer->classInfo;
    else return NS_NOINTERFACE;
    peer->AddRef();
    return NS_OK;
}
uint32_t XPCOM_METHOD_CALL AddRef(void* self) { return PeerOf(self)->AddRef(); }
uint32_t XPCOM_METHOD_CALL Release(void* self) { return PeerOf(self)->Release(); }

#include "plugin/xpcom_peer_tables_generated.inc"
static_assert(sizeof kSlots / sizeof kSlots[0] == kXpcomPeerMemberSlots, "one slot name per table entry");

XpcomScriptablePeer* PeerOfClassInfo(void* self) {
    return reinterpret_cast<XpcomScriptablePeer*>(static_cast<char*>(self) - offsetof(XpcomScriptablePeer, classInfo));
}

struct ClassInfoInterface {
    nsresult(XPCOM_METHOD_CALL* QueryInterface)(void*, const nsIID*, void**);
    uint32_t(XPCOM_METHOD_CALL* AddRef)(void*);
    uint32_t(XPCOM_METHOD_CALL* Release)(void*);
    nsresult(XPCOM_METHOD_CALL* GetInterfaces)(void*, uint32_t*, nsIID***);
    nsresult(XPCOM_METHOD_CALL* GetHelperForLanguage)(void*, uint32_t, nsISupports**);
    nsresult(XPCOM_METHOD_CALL* GetContractID)(void*, char**);
    nsresult(XPCOM_METHOD_CALL* GetClassDescription)(void*, char**);
    nsresult(XPCOM_METHOD_CALL* GetClassID)(void*, nsCID**);
    nsresult(XPCOM_METHOD_CALL* GetImplementationLanguage)(void*, uint32_t*);
    nsresult(XPCOM_METHOD_CALL* GetFlags)(void*, uint32_t*);
    nsresult(XPCOM_METHOD_CALL* GetClassIDNoAlloc)(void*, nsCID*);
};

nsresult XPCOM_METHOD_CALL InfoQueryInterface(void* self, const nsIID* iid, void** result) {
    return QueryInterface(PeerOfClassInfo(self), iid, result);
}
uint32_t XPCOM_METHOD_CALL InfoAddRef(void* self) { return PeerOfClassInfo(self)->AddRef(); }
uint32_t XPCOM_METHOD_CALL InfoRelease(void* self) { return PeerOfClassInfo(self)->Release(); }
nsresult XPCOM_METHOD_CALL GetInterfaces(void*, uint32_t*, nsIID***) { return NS_ERROR_NOT_IMPLEMENTED; }
nsresult XPCOM_METHOD_CALL GetHelperForLanguage(void*, uint32_t, nsISupports**) { return NS_ERROR_NOT_IMPLEMENTED; }
nsresult XPCOM_METHOD_CALL GetText(void*, char**) { return NS_ERROR_NOT_IMPLEMENTED; }
nsresult XPCOM_METHOD_CALL GetClassID(void*, nsCID**) { return NS_ERROR_NOT_IMPLEMENTED; }
nsresult XPCOM_METHOD_CALL GetImplementationLanguage(void*, uint32_t* language) {
    if (!language) return NS_ERROR_NULL_POINTER;
    *language = kXpcomLanguageCpp;
    return NS_OK;
}
nsresult XPCOM_METHOD_CALL GetFlags(void*, uint32_t* flags) {
    if (!flags) return NS_ERROR_NULL_POINTER;
    *flags = kXpcomClassInfoDomObject | kXpcomClassInfoPluginObject;
    return NS_OK;
}
nsresult XPCOM_METHOD_CALL GetClassIDNoAlloc(void*, nsCID*) { return NS_ERROR_NOT_IMPLEMENTED; }

const ClassInfoInterface kClassInfo = {InfoQueryInterface, InfoAddRef,   InfoRelease,
                                       GetInterfaces,      GetHelperForLanguage, GetText,
                                       GetText,            GetClassID,   GetImplementationLanguage,
                                       GetFlags,           GetClassIDNoAlloc};

}  // namespace

XpcomScriptablePeer* XpcomScriptablePeer::Create(PluginInstance* owner) {
    auto* peer = new (std::nothrow) XpcomScriptablePeer();
    if (!peer) return nullptr;
    peer->scriptInterface = &kScriptInterface;
    peer->classInfo = &kClassInfo;
    peer->references = 0;
    peer->instance = owner;
    return peer;
}

uint32_t XpcomScriptablePeer::AddRef() { return ++references; }

uint32_t XpcomScriptablePeer::Release() {
    if (references == 0) return 0;  // an unbalanced Release must not free twice
    if (--references > 0) return references;
    scriptInterface = nullptr;
    classInfo = nullptr;
    delete this;
    return 0;
}

const XpcomPeerSlot* XpcomPeerSlots(size_t* count) {
    if (count) *count = sizeof kSlots / sizeof kSlots[0];
    return kSlots;
}
