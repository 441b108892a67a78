// The one switch for hand-written vector code: SSE2, which every x86-64 processor has and which
// the i686 build is compiled for as a whole (-msse2 -mfpmath=sse: its float code needs it anyway,
// so that both deliverables give the same bytes). Elsewhere LUMETTA_SSE2 stays undefined and
// the plain loops run. Vector paths do exactly the operations of the plain code, lane by lane.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>
#define LUMETTA_SSE2 1
#endif
