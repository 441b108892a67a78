// The page the codec benchmarks work on: a generated A4 page at 300 dpi (2480 x 3508) with paper
// and scanner noise, lines of text and a photo, as a bottom-up DIB: 24-bit colour, or 8-bit with
// a grey table (the same page through integer luma weights). The same pixels on every call.
#pragma once

#include "lumetta_win.h"

constexpr int kPageWidth = 2480, kPageHeight = 3508;

HGLOBAL MakeBenchPage(bool grey);
