// Installed-driver check: how the copy of the driver already on the system relates to the
// version this installer carries.
#pragma once

#include <string>

#include "VersionFields.h"

// 0: replace (older, unreadable, or a driver/processor of the product without a printer),
// 1: newer installed, 2: nothing of the product installed, 3: the same version installed.
int CompareDriverVersion(std::string strDriverName, std::string strProcessorName, DriverVersion wanted);
