#pragma once
#include "base/ok.h"
#include "engine/up.h"
#include "../engine/up.h"
