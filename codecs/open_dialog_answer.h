// The answer of a multi-select open dialog, read within its buffer: one file is its full path;
// several are the folder, then each name, each ended by a NUL, with a second NUL after the last.
// A buffer the dialog filled to its end without those NULs ends the list at its end.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The full paths of the answer (folder, a "\" unless it already ends in one, the name).
std::vector<std::string> SplitOpenDialogAnswer(const char* buffer, size_t size);
