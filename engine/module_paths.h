// The library's own path and folder, folder-chain creation and the per-user application-data
// folder. Buffers are MAX_PATH (260) bytes.
#pragma once

#include <windows.h>

// Longest folder or file name of a path the engine takes.
constexpr size_t kMaxPathComponent = 255;
// True when path fits the engine's MAX_PATH buffers whole: shorter than MAX_PATH and no folder
// or file name between its "\" or "/" longer than kMaxPathComponent. A path that does not fit
// would be cut to another file's name; callers refuse it before they touch anything.
bool PathFits(const char* path);

// The full file name of the module that holds this code; the buffer is untouched on failure.
bool GetModulePath(char* buffer);
// The module's folder with a trailing backslash; empty when the path holds no backslash.
void GetModuleDirectory(char* buffer);
// The folder part of a file path (before its last backslash) as a function of a module path:
// "C:\x\lib.dll" gives "C:\x\". Exposed for tests.
void DirectoryOfPath(const char* path, char* buffer);
// Creates every missing folder of the part of filePath before its last backslash, outermost
// first; never the file name. Failures are left for the later file write to report.
void CreateDirectories(const char* filePath);
// The user's application-data folder, trimmed of trailing separators, with "\AppData\Roaming"
// (any case) and what follows it replaced by "\AppData\LocalLow". False when none was found or
// the result would not fit.
bool GetAppDataFolder(char* buffer);
