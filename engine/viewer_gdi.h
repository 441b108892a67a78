// GDI objects that every viewer, cell and tracker of the process shares: one dotted pen, one
// hatch brush and one half-tone brush, made on first use and deleted with the last user, so a
// page full of cells costs no GDI objects of its own.
#pragma once

#include <windows.h>

class CViewerGdi {
public:
    CViewerGdi();   // takes a reference
    ~CViewerGdi();  // gives it back; the last one deletes the objects
    CViewerGdi(const CViewerGdi&) = delete;
    CViewerGdi& operator=(const CViewerGdi&) = delete;

    HPEN DottedPen() const;
    HBRUSH HatchBrush() const;     // diagonal hatch, 8 x 8
    HBRUSH HalftoneBrush() const;  // 50% grey checker for XOR frames
    static long Users();
};
