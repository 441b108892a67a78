// Preloaded into 32-bit Wine when it runs under qemu-i386 (the emulated route of tools/wine-run).
//
// Wine reserves the parts of the address space Windows programs own with MAP_FIXED_NOREPLACE and
// expects the kernel's answer: the address asked for, or EEXIST. qemu-user 7.2 does not know the
// flag and treats the request as a hint, so Wine receives some other free address, keeps it as a
// reservation and later finds the page it must place at 0x7ffe0000 taken ("failed to map the
// shared user data"). This mmap gives the kernel's answer on top of qemu: the flag becomes a
// hint, and a mapping placed elsewhere is undone and reported as EEXIST. On a kernel that knows
// the flag the result is the same as without this file.
//
// Built freestanding (no C library headers): cc -m32 -fPIC -shared -nostdlib -O2.

typedef unsigned int size_t;

extern long syscall(long number, ...);
extern int* __errno_location(void);

enum {
    kSysMunmap = 91,
    kSysMmap2 = 192,
    kMapFixed = 0x10,
    kMapFixedNoReplace = 0x100000,
    kPageMask = 0xfff,
    kEinval = 22,
    kEexist = 17,
};

static void* Failed(int error) {
    *__errno_location() = error;
    return (void*)-1;
}

void* mmap64(void* addr, size_t length, int prot, int flags, int fd, long long offset) {
    if (offset & kPageMask)
        return Failed(kEinval);
    int noReplace = (flags & kMapFixedNoReplace) && !(flags & kMapFixed);
    long placed = syscall(kSysMmap2, addr, length, prot, flags & ~kMapFixedNoReplace, fd,
                          (long)(offset >> 12));
    if (placed == -1)
        return (void*)-1;
    if (noReplace && (void*)placed != addr) {
        syscall(kSysMunmap, placed, length);
        return Failed(kEexist);
    }
    return (void*)placed;
}

void* mmap(void* addr, size_t length, int prot, int flags, int fd, long offset) {
    return mmap64(addr, length, prot, flags, fd, offset);
}
