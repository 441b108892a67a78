// What a stand-in add-on library does on a call, chosen by the test through the environment:
// LUMETTA_ADDON_SCENARIO names the scenario, LUMETTA_ADDON_LOG a file to which every call appends
// one line with the arguments it received.
#pragma once

#include <windows.h>

#include <string>

std::string AddOnScenario();
void AppendCallLog(const std::string& line);
// A new global-memory block holding the bytes.
HGLOBAL BlockOf(const std::string& bytes);
