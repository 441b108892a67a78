// Dialog 103 "Select Source": the engine's own list of sources (TWAIN sources first, then the
// webcams) from which the user picks one.
#pragma once

#include <windows.h>

class CBrowserAddOnBase;

// Results of the dialog besides IDCANCEL: the source was selected, or its selection failed (the
// engine then holds the selection's error code).
constexpr INT_PTR kSourceSelected = 1;
constexpr INT_PTR kSourceSelectionFailed = 3;

// Runs the dialog modally over the engine's owner window, with the engine's module as the
// resource module. -1 when the dialog cannot be shown.
INT_PTR RunSelectSourceDialog(CBrowserAddOnBase& engine);
