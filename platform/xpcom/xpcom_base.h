// Our own declarations of the browser's XPCOM object model, as far as the plug-in uses it: the
// status type and codes, interface identifiers, the boolean type (read by its low byte only: some
// runtimes fill one byte, others four), and the calling conventions (interface methods
// __stdcall, the runtime's exported functions __cdecl).
#pragma once

#include <cstdint>
#include <cstring>

#if defined(_WIN32) && !defined(_WIN64)
#define XPCOM_METHOD_CALL __stdcall
#define XPCOM_EXPORT_CALL __cdecl
#else
#define XPCOM_METHOD_CALL
#define XPCOM_EXPORT_CALL
#endif

using nsresult = uint32_t;
// Four bytes are reserved; only the low byte carries the value.
using PRBool = int32_t;

inline bool PRBoolIsTrue(PRBool value) { return (static_cast<uint32_t>(value) & 0xFFu) != 0; }

constexpr nsresult NS_OK = 0;
constexpr nsresult NS_ERROR_NOT_IMPLEMENTED = 0x80004001u;
constexpr nsresult NS_NOINTERFACE = 0x80004002u;
constexpr nsresult NS_ERROR_NULL_POINTER = 0x80004003u;
constexpr nsresult NS_ERROR_FAILURE = 0x80004005u;
constexpr nsresult NS_ERROR_OUT_OF_MEMORY = 0x8007000Eu;

inline bool NS_FAILED(nsresult status) { return (status & 0x80000000u) != 0; }

// An interface or class identifier (the layout of a GUID).
struct nsID {
    uint32_t m0;
    uint16_t m1;
    uint16_t m2;
    uint8_t m3[8];
    bool Equals(const nsID& other) const { return std::memcmp(this, &other, sizeof(nsID)) == 0; }
};
using nsIID = nsID;
using nsCID = nsID;
static_assert(sizeof(nsID) == 16, "an identifier is 16 bytes");

// Implementation languages and class flags that nsIClassInfo reports.
constexpr uint32_t kXpcomLanguageCpp = 1;
constexpr uint32_t kXpcomClassInfoDomObject = 8;
constexpr uint32_t kXpcomClassInfoPluginObject = 16;
