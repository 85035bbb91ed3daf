// Everything of the Win32 test kit in one include.
#pragma once

#include "ExitTrap.h"
#include "Files.h"
#include "Hooks.h"
#include "ImportHook.h"
#include "Process.h"
#include "Recorders.h"
