#pragma once

// The instrument's weight and stable flag for a scale test, read over the
// program's link.

#include "capturerule.h"
#include "linksettings.h"

// Reads the live block (weight, status word) with a copy of base; fills
// *reading only when the read succeeds.
ModbusResult ReadTestReading(const LinkSettings &base, Reading *reading);
