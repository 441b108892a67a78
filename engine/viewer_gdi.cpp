#include "engine/viewer_gdi.h"

#include <mutex>

namespace {

struct SharedObjects {
    long users = 0;
    HPEN dotted = nullptr;
    HBRUSH hatch = nullptr;
    HBRUSH halftone = nullptr;
};

std::mutex g_lock;
SharedObjects g_shared;

HBRUSH PatternBrush(const WORD rows[8]) {
    HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, rows);
    if (!bitmap) return nullptr;
    HBRUSH brush = CreatePatternBrush(bitmap);
    DeleteObject(bitmap);  // the brush keeps its own copy
    return brush;
}

}  // namespace

CViewerGdi::CViewerGdi() {
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_shared.users++ > 0) return;
    static const WORD kHatch[8] = {0x11, 0x22, 0x44, 0x88, 0x11, 0x22, 0x44, 0x88};
    static const WORD kHalftone[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    g_shared.dotted = CreatePen(PS_DOT, 0, RGB(0, 0, 0));
    g_shared.hatch = PatternBrush(kHatch);
    g_shared.halftone = PatternBrush(kHalftone);
}

CViewerGdi::~CViewerGdi() {
    std::lock_guard<std::mutex> guard(g_lock);
    if (--g_shared.users > 0) return;
    if (g_shared.dotted) DeleteObject(g_shared.dotted);
    if (g_shared.hatch) DeleteObject(g_shared.hatch);
    if (g_shared.halftone) DeleteObject(g_shared.halftone);
    g_shared = SharedObjects{};
}

HPEN CViewerGdi::DottedPen() const { return g_shared.dotted; }
HBRUSH CViewerGdi::HatchBrush() const { return g_shared.hatch; }
HBRUSH CViewerGdi::HalftoneBrush() const { return g_shared.halftone; }

long CViewerGdi::Users() {
    std::lock_guard<std::mutex> guard(g_lock);
    return g_shared.users;
}
