#pragma once
#include "ok.h"
#include "capture/reaches_up.h"
#include "twain/twain.h"
