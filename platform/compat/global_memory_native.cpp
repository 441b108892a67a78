// Global memory for the native build: blocks from malloc with their size in front.
#include "lumetta_win.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

// The sanitizer builds (the tests and fuzz targets) also overwrite a freed block, so that a stale
// reader sees nonsense even where the sanitizer would not notice it. A build without them (the
// benchmarks) frees as Windows does, without a pass over the block.
#if defined(__SANITIZE_ADDRESS__)
#define LUMETTA_POISON_FREED_BLOCKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
#define LUMETTA_POISON_FREED_BLOCKS 1
#endif
#endif
#ifndef LUMETTA_POISON_FREED_BLOCKS
#define LUMETTA_POISON_FREED_BLOCKS 0
#endif

namespace {

// The header keeps the user area 16-byte aligned, as GlobalAlloc's blocks are.
struct alignas(16) BlockHeader {
    SIZE_T size;
    uint64_t magic;
};
constexpr uint64_t kLiveMagic = 0x4C554D4554544131ull;   // block in use
constexpr uint64_t kFreedMagic = 0x4652454544424C4Bull;  // block given back
std::atomic<long> g_live{0};

BlockHeader* HeaderOf(HGLOBAL block) {
    auto* header = static_cast<BlockHeader*>(block) - 1;
    if (header->magic != kLiveMagic) abort();  // freed twice or never ours: fail loudly
    return header;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    if (bytes > (SIZE_T(1) << 40)) return nullptr;
    // calloc hands large blocks out as fresh zero pages: no pass over them here.
    const SIZE_T total = sizeof(BlockHeader) + (bytes ? bytes : 1);
    auto* header = static_cast<BlockHeader*>((flags & GMEM_ZEROINIT) ? calloc(1, total) : malloc(total));
    if (!header) return nullptr;
    header->size = bytes;
    header->magic = kLiveMagic;
    g_live.fetch_add(1);
    return header + 1;
}

HGLOBAL GlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags) {
    if (!block) return nullptr;
    BlockHeader* old = HeaderOf(block);
    HGLOBAL fresh = GlobalAlloc(flags & GMEM_ZEROINIT, bytes);
    if (!fresh) return nullptr;
    memcpy(fresh, block, old->size < bytes ? old->size : bytes);
    GlobalFree(block);
    return fresh;
}

HGLOBAL GlobalFree(HGLOBAL block) {
    if (!block) return nullptr;
    BlockHeader* header = HeaderOf(block);
    header->magic = kFreedMagic;
#if LUMETTA_POISON_FREED_BLOCKS
    memset(header + 1, 0xDD, header->size);  // poison what a stale reader would see
#endif
    free(header);
    g_live.fetch_sub(1);
    return nullptr;
}

LPVOID GlobalLock(HGLOBAL block) { return block ? (HeaderOf(block), block) : nullptr; }

BOOL GlobalUnlock(HGLOBAL block) {
    if (block) HeaderOf(block);
    return FALSE;
}

SIZE_T GlobalSize(HGLOBAL block) { return block ? HeaderOf(block)->size : 0; }

long LumettaLiveGlobalBlocks() { return g_live.load(); }
