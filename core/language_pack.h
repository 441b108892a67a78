// Unpacks a language pack (a zip file) into a folder, synchronously, entry by entry. Each failure
// leaves a message in a 260-character buffer.
#pragma once

#include <windows.h>

bool UnpackLanguagePack(const char* zipPath, const char* destination, char (&message)[MAX_PATH]);
