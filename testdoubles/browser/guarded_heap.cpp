#include "browser/guarded_heap.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <iterator>
#include <map>
#include <unordered_map>
#include <unordered_set>

namespace browser {
namespace {

using MallocFn = void*(__cdecl*)(size_t);
using CallocFn = void*(__cdecl*)(size_t, size_t);
using ReallocFn = void*(__cdecl*)(void*, size_t);
using FreeFn = void(__cdecl*)(void*);

constexpr size_t kPage = 4096;
constexpr size_t kPageBlockMin = 1024;           // blocks from this size on get pages of their own
constexpr size_t kQuarantineBytes = 64u << 20;   // freed small blocks kept aside, oldest given back first
constexpr unsigned char kFreedByte = 0xFD;       // a pointer read from a freed block: 0xFDFDFDFD...

// A block on pages of its own: [pages][one page never committed].
struct PageBlock {
    uintptr_t user = 0;
    size_t size = 0;
    size_t pages = 0;  // committed, not counting the page after them
    bool freed = false;
};

struct Small {
    void* block;
    size_t size;
};

struct State {
    CRITICAL_SECTION lock;
    HANDLE heap = nullptr;
    MallocFn realMalloc = nullptr;
    CallocFn realCalloc = nullptr;
    ReallocFn realRealloc = nullptr;
    FreeFn realFree = nullptr;
    uintptr_t arena = 0;
    size_t arenaSize = 0;
    size_t arenaUsed = 0;
    std::map<uintptr_t, PageBlock> pageBlocks;      // by the address of their first page
    std::unordered_map<void*, uintptr_t> livePaged;  // user address -> first page
    std::unordered_map<void*, size_t> liveSmall;
    std::unordered_set<void*> quarantined;
    std::deque<Small> quarantine;
    size_t quarantineBytes = 0;
    size_t blocks = 0;
    size_t paged = 0;
    std::string problems;
};

State* g_state = nullptr;

class Lock {
public:
    Lock() { EnterCriticalSection(&g_state->lock); }
    ~Lock() { LeaveCriticalSection(&g_state->lock); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
};

void Note(const char* problem) {
    g_state->problems += problem;
    g_state->problems += '\n';
}

void NoteWritten(const Small& s, size_t at) {
    char line[128];
    std::snprintf(line, sizeof line, "a freed block of %zu bytes was written after it was freed (byte %zu)", s.size, at);
    Note(line);
}

// The first byte of a freed small block that is no longer the pattern, or its size when none.
size_t FirstWritten(const Small& s) {
    const auto* bytes = static_cast<const unsigned char*>(s.block);
    for (size_t i = 0; i < s.size; ++i)
        if (bytes[i] != kFreedByte) return i;
    return s.size;
}

void GiveBack(const Small& s) {
    size_t at = FirstWritten(s);
    if (at < s.size) NoteWritten(s, at);
    g_state->quarantined.erase(s.block);
    HeapFree(g_state->heap, 0, s.block);
}

void* AllocatePaged(size_t size) {
    State& st = *g_state;
    size_t pages = (size + kPage - 1) / kPage;
    if (pages > (st.arenaSize - st.arenaUsed) / kPage - 1) return nullptr;
    uintptr_t first = st.arena + st.arenaUsed;
    if (!VirtualAlloc(reinterpret_cast<void*>(first), pages * kPage, MEM_COMMIT, PAGE_READWRITE)) return nullptr;
    st.arenaUsed += (pages + 1) * kPage;
    // The block ends where its pages do (rounded to 16 bytes), so an overrun meets the next page.
    uintptr_t user = first + pages * kPage - ((size + 15) & ~size_t{15});
    st.pageBlocks[first] = PageBlock{user, size, pages, false};
    st.livePaged[reinterpret_cast<void*>(user)] = first;
    ++st.paged;
    return reinterpret_cast<void*>(user);
}

void* __cdecl GuardedMalloc(size_t size) {
    State& st = *g_state;
    Lock lock;
    ++st.blocks;
    if (size >= kPageBlockMin) {
        if (void* block = AllocatePaged(size)) return block;
    }
    void* block = HeapAlloc(st.heap, 0, size ? size : 1);
    if (block) st.liveSmall[block] = size;
    return block;
}

// The size of a live block of this heap; false for a pointer the heap did not hand out (the
// runtime's own, from before the watch) or one already freed (noted).
bool LiveSize(void* block, size_t* size) {
    State& st = *g_state;
    if (auto s = st.liveSmall.find(block); s != st.liveSmall.end()) {
        *size = s->second;
        return true;
    }
    if (auto p = st.livePaged.find(block); p != st.livePaged.end()) {
        *size = st.pageBlocks[p->second].size;
        return true;
    }
    return false;
}

bool FreedHere(void* block) {
    State& st = *g_state;
    if (st.quarantined.count(block)) return true;
    auto p = st.pageBlocks.upper_bound(reinterpret_cast<uintptr_t>(block));
    if (p == st.pageBlocks.begin()) return false;
    --p;
    return p->second.freed && p->second.user == reinterpret_cast<uintptr_t>(block);
}

// Frees a block of this heap (the lock held); false when the block is not one of its live blocks.
bool FreeOwn(void* block) {
    State& st = *g_state;
    if (auto s = st.liveSmall.find(block); s != st.liveSmall.end()) {
        Small freed{block, s->second};
        st.liveSmall.erase(s);
        std::memset(block, kFreedByte, freed.size);
        st.quarantine.push_back(freed);
        st.quarantined.insert(block);
        st.quarantineBytes += freed.size;
        while (st.quarantineBytes > kQuarantineBytes) {
            Small oldest = st.quarantine.front();
            st.quarantine.pop_front();
            st.quarantineBytes -= oldest.size;
            GiveBack(oldest);
        }
        return true;
    }
    if (auto p = st.livePaged.find(block); p != st.livePaged.end()) {
        PageBlock& pb = st.pageBlocks[p->second];
        VirtualFree(reinterpret_cast<void*>(p->first), pb.pages * kPage, MEM_DECOMMIT);
        pb.freed = true;
        st.livePaged.erase(p);
        return true;
    }
    return false;
}

void __cdecl GuardedFree(void* block) {
    if (!block) return;
    State& st = *g_state;
    {
        Lock lock;
        if (FreeOwn(block)) return;
        if (FreedHere(block)) {
            Note("a block was freed twice");
            return;
        }
    }
    st.realFree(block);
}

void* __cdecl GuardedCalloc(size_t count, size_t size) {
    if (size && count > SIZE_MAX / size) return nullptr;
    void* block = GuardedMalloc(count * size);
    if (block) std::memset(block, 0, count * size);
    return block;
}

void* __cdecl GuardedRealloc(void* block, size_t size) {
    if (!block) return GuardedMalloc(size);
    if (size == 0) {
        GuardedFree(block);
        return nullptr;
    }
    size_t old = 0;
    {
        Lock lock;
        if (!LiveSize(block, &old)) {
            if (FreedHere(block)) {
                Note("a freed block was reallocated");
                return nullptr;
            }
            old = SIZE_MAX;
        }
    }
    if (old == SIZE_MAX) return g_state->realRealloc(block, size);
    void* moved = GuardedMalloc(size);
    if (!moved) return nullptr;
    std::memcpy(moved, block, old < size ? old : size);
    GuardedFree(block);
    return moved;
}

void Say(const char* text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

// A fault in the arena is the plug-in touching a freed block (or running past a live one): say
// which, and end the run there (the plug-in's state is lost).
LONG CALLBACK OnFault(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* e = info->ExceptionRecord;
    if (e->ExceptionCode != EXCEPTION_ACCESS_VIOLATION || e->NumberParameters < 2) return EXCEPTION_CONTINUE_SEARCH;
    const ULONG_PTR kind = e->ExceptionInformation[0];
    const uintptr_t at = e->ExceptionInformation[1];
    State& st = *g_state;
    const char* how = kind == 1 ? "wrote" : kind == 8 ? "ran" : "read";
    char line[256];
    if (at >= st.arena && at < st.arena + st.arenaSize) {
        EnterCriticalSection(&st.lock);
        auto p = st.pageBlocks.upper_bound(at);
        const PageBlock* pb = p == st.pageBlocks.begin() ? nullptr : &std::prev(p)->second;
        if (pb && pb->freed)
            std::snprintf(line, sizeof line, "guarded heap: the plug-in %s byte %lld of a freed block of %zu bytes (code at %p)\n",
                          how, static_cast<long long>(at - pb->user), pb->size, e->ExceptionAddress);
        else if (pb)
            std::snprintf(line, sizeof line, "guarded heap: the plug-in %s past the end of a block of %zu bytes (code at %p)\n",
                          how, pb->size, e->ExceptionAddress);
        else
            std::snprintf(line, sizeof line, "guarded heap: the plug-in %s unused heap pages (code at %p)\n", how,
                          e->ExceptionAddress);
        LeaveCriticalSection(&st.lock);
    } else {
        uintptr_t pattern = 0;
        std::memset(&pattern, kFreedByte, sizeof pattern);
        if ((at & ~uintptr_t{0xFFFF}) != (pattern & ~uintptr_t{0xFFFF})) return EXCEPTION_CONTINUE_SEARCH;
        std::snprintf(line, sizeof line, "guarded heap: the plug-in %s through a pointer read from a freed block (code at %p)\n",
                      how, e->ExceptionAddress);
    }
    Say(line);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_CONTINUE_SEARCH;
}

bool ReserveArena(State& st) {
    for (size_t mb : {sizeof(void*) == 8 ? size_t{2048} : size_t{512}, size_t{256}, size_t{64}}) {
        void* base = VirtualAlloc(nullptr, mb << 20, MEM_RESERVE, PAGE_NOACCESS);
        if (base) {
            st.arena = reinterpret_cast<uintptr_t>(base);
            st.arenaSize = mb << 20;
            return true;
        }
    }
    return false;
}

}  // namespace

bool GuardedHeap::Watch(HMODULE module) {
    if (!g_state) {
        auto* st = new State;  // outlives the plug-in and every static destructor
        InitializeCriticalSection(&st->lock);
        st->heap = HeapCreate(0, 0, 0);
        if (!st->heap) return false;
        ReserveArena(*st);
        g_state = st;
        AddVectoredExceptionHandler(1, OnFault);
    }
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress) return false;
    // The four slots first: all four are patched or none, as a block of one heap must never
    // reach the other's free.
    const char* const wanted[4] = {"malloc", "calloc", "realloc", "free"};
    void* const mine[4] = {reinterpret_cast<void*>(&GuardedMalloc), reinterpret_cast<void*>(&GuardedCalloc),
                           reinterpret_cast<void*>(&GuardedRealloc), reinterpret_cast<void*>(&GuardedFree)};
    ULONG_PTR* slot[4] = {};
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), "msvcrt.dll") != 0 || !d->OriginalFirstThunk) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const char* name = reinterpret_cast<const char*>(
                reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name);
            for (int k = 0; k < 4; ++k)
                if (!std::strcmp(name, wanted[k])) slot[k] = &slots->u1.Function;
        }
    }
    for (ULONG_PTR* s : slot)
        if (!s) return false;
    // A module still loaded from an earlier watch (another browser of the same process) keeps
    // its patched slots: taking them for the runtime's own would send foreign frees back here.
    if (*slot[0] == reinterpret_cast<ULONG_PTR>(mine[0])) return true;
    State& st = *g_state;
    st.realMalloc = reinterpret_cast<MallocFn>(*slot[0]);
    st.realCalloc = reinterpret_cast<CallocFn>(*slot[1]);
    st.realRealloc = reinterpret_cast<ReallocFn>(*slot[2]);
    st.realFree = reinterpret_cast<FreeFn>(*slot[3]);
    for (int k = 0; k < 4; ++k) {
        DWORD old = 0;
        if (!VirtualProtect(slot[k], sizeof *slot[k], PAGE_READWRITE, &old)) return false;
        *slot[k] = reinterpret_cast<ULONG_PTR>(mine[k]);
        VirtualProtect(slot[k], sizeof *slot[k], old, &old);
    }
    return true;
}

bool GuardedHeap::Watching() { return g_state != nullptr; }

std::string GuardedHeap::Report() {
    if (!g_state) return {};
    Lock lock;
    for (const Small& s : g_state->quarantine) {
        size_t at = FirstWritten(s);
        if (at < s.size) NoteWritten(s, at);
        std::memset(s.block, kFreedByte, s.size);  // each write is told once
    }
    std::string problems;
    problems.swap(g_state->problems);
    return problems;
}

size_t GuardedHeap::Blocks() { return g_state ? g_state->blocks : 0; }
size_t GuardedHeap::PageBlocks() { return g_state ? g_state->paged : 0; }

}  // namespace browser
