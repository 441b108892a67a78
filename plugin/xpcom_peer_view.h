// The C view of the scriptable peer's script interface: a table of plain function pointers, one
// per slot, written from the member list (plugin/xpcom_peer_members.def) by tools/gen-member-glue.
// Every function takes the peer first; a getter then takes its out-pointer, a setter its value, a
// method its arguments and then the out-pointer of its result; each answers an nsresult. The peer fills this table
// and callers (a browser, the tests) call through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "xpcom/xpcom_base.h"

namespace xpcom_peer {

// A method's argument letters as a template argument.
template <size_t N>
struct Letters {
    char c[N] = {};
    static constexpr size_t size = N - 1;
    constexpr Letters(const char (&text)[N]) {
        for (size_t i = 0; i < N; ++i) c[i] = text[i];
    }
};

// Argument and setter types by letter.
template <char L> struct In;
template <> struct In<'s'> { using type = const char*; };
template <> struct In<'i'> { using type = int32_t; };
template <> struct In<'h'> { using type = int16_t; };
template <> struct In<'f'> { using type = float; };
template <> struct In<'d'> { using type = double; };
template <> struct In<'b'> { using type = PRBool; };
template <> struct In<'p'> { using type = const uint8_t*; };
template <> struct In<'q'> { using type = uint8_t*; };
template <> struct In<'H'> { using type = int16_t*; };
template <> struct In<'F'> { using type = float*; };

// Result and getter out-pointer types by letter.
template <char L> struct Out;
template <> struct Out<'B'> { using type = PRBool*; };
template <> struct Out<'S'> { using type = char**; };
template <> struct Out<'D'> { using type = double*; };
template <> struct Out<'F'> { using type = float*; };
template <> struct Out<'I'> { using type = int32_t*; };
template <> struct Out<'H'> { using type = int16_t*; };

template <Letters A, char R, typename = std::make_index_sequence<A.size>>
struct MethodShape;
template <Letters A, char R, size_t... I>
struct MethodShape<A, R, std::index_sequence<I...>> {
    using Fn = nsresult(XPCOM_METHOD_CALL*)(void* self, typename In<A.c[I]>::type..., typename Out<R>::type result);
};

template <char G>
using GetterFn = nsresult(XPCOM_METHOD_CALL*)(void* self, typename Out<G>::type value);
template <char S>
using SetterFn = nsresult(XPCOM_METHOD_CALL*)(void* self, typename In<S>::type value);

}  // namespace xpcom_peer

#include "plugin/xpcom_peer_interface_generated.h"

// Slots after QueryInterface, AddRef and Release.
constexpr size_t kXpcomPeerMemberSlots = sizeof(XpcomPeerInterface) / sizeof(void*) - 3;

// The peer's face for callers that hold it: its first field is the table.
struct XpcomPeerView {
    const XpcomPeerInterface* table;
};
