// What registration writes for the control and the Cancel class (under HKEY_CLASSES_ROOT).
#pragma once

#include "comcontrol/registry_script.h"

extern const comcontrol::RegistryScript kLumettaRegistry;
extern const comcontrol::RegistryScript kCancelRegistry;
