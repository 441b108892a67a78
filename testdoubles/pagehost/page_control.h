// Where the page host's control comes from, and the named items a build of the host adds to the
// page besides "Lumetta" and "Host". The plain host creates the registered control by its ProgID;
// the add-on host (pagehost_addons) embeds the control's class linked into itself and gives the
// page "AddOns", a bridge to the control's C++ members that the type library does not carry.
#pragma once

#include <unknwn.h>

class ScriptEngine;

HRESULT CreatePageControl(IUnknown** control);
void AddPageItems(ScriptEngine& script, IUnknown* control);
