#pragma once
// The F7 line of the V4 sensors.
#include "TsV4Program.h"
