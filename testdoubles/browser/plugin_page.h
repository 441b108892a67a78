// A page that embeds the plug-in and runs its script in the system's JScript engine, as a browser
// page does: the element is "Lumetta", the harness is "Host" (the page host's members), and the
// page's global functions are the window's properties, so the functions the embed attributes
// name receive the events. By default every event goes to the global function Lumetta_<event>,
// as in the page host; attributes given to the page replace those names.
#pragma once

#include <string>

#include "browser/browser.h"

namespace browser {

// The embed attributes a page may give, one per event.
extern const char* const kPageEvents[21];

// The default attributes: each of the 21 events to Lumetta_<event>, then the extra ones (which
// replace a default of the same name).
Attributes PageEventAttributes(const Attributes& extra);

// Runs the script text against the embed (its window made already): the page's main() is called
// after the text ran. The result is the number of failed Host.Check calls and script errors, or
// -1 when JScript or the element's script object is not available.
int RunPluginPage(Browser& browser, Embed* embed, const std::wstring& script);

}  // namespace browser
