#include "browser/browser_memory.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <unordered_map>

namespace browser {
namespace {

struct State {
    std::mutex lock;
    std::unordered_map<void*, uint32_t> live;
    std::set<void*> freed;  // freed blocks stay allocated so their address is never reused
    size_t doubleFrees = 0;
    size_t foreignFrees = 0;
};

State& Memory() {
    static State* state = new State;  // outlives every static destructor
    return *state;
}

}  // namespace

void* BrowserMemory::Allocate(uint32_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block) return nullptr;
    State& m = Memory();
    std::lock_guard<std::mutex> guard(m.lock);
    m.live[block] = size;
    return block;
}

void BrowserMemory::Free(void* block) {
    if (!block) return;
    State& m = Memory();
    std::lock_guard<std::mutex> guard(m.lock);
    auto it = m.live.find(block);
    if (it == m.live.end()) {
        if (m.freed.count(block)) ++m.doubleFrees;
        else ++m.foreignFrees;
        return;
    }
    std::memset(block, 0xDD, it->second);
    m.live.erase(it);
    m.freed.insert(block);
}

std::string BrowserMemory::Report() {
    State& m = Memory();
    std::lock_guard<std::mutex> guard(m.lock);
    std::string report;
    if (!m.live.empty()) report += std::to_string(m.live.size()) + " browser blocks not freed\n";
    if (m.doubleFrees) report += std::to_string(m.doubleFrees) + " browser blocks freed twice\n";
    if (m.foreignFrees) report += std::to_string(m.foreignFrees) + " frees of memory the browser never gave\n";
    return report;
}

void BrowserMemory::Reset() {
    State& m = Memory();
    std::lock_guard<std::mutex> guard(m.lock);
    for (auto& [block, size] : m.live) std::free(block);
    for (void* block : m.freed) std::free(block);
    m.live.clear();
    m.freed.clear();
    m.doubleFrees = m.foreignFrees = 0;
}

}  // namespace browser
