#pragma once
#include "../base/ok.h"
