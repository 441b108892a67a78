// The replaceable forms of the global operator new and delete, in terms of the including
// program's own Take(size) (which throws std::bad_alloc when it cannot) and Give(pointer): for the
// test programs that watch or shape every allocation they make. Included once per program, at
// namespace scope, after Take and Give are declared. (Replacements may not be inline, so this
// header defines them outright.)
#pragma once

#include <cstddef>
#include <new>

void* operator new(size_t n) { return Take(n); }
void* operator new[](size_t n) { return Take(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept {
    try {
        return Take(n);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t n, const std::nothrow_t&) noexcept {
    try {
        return Take(n);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept { Give(p); }
void operator delete[](void* p) noexcept { Give(p); }
void operator delete(void* p, size_t) noexcept { Give(p); }
void operator delete[](void* p, size_t) noexcept { Give(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Give(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Give(p); }
