#pragma once
#include "activex/control.h"
