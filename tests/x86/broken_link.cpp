// Linked the ways the build check must refuse: a setupapi call declared dllimport through a
// delay-import library (on i686 its slot stays 0) and a load-time import newer than Windows 2000.
#include <windows.h>
#include <setupapi.h>

int main()
{
    SetupDiGetClassDevsA(nullptr, nullptr, nullptr, 0);
    return static_cast<int>(GetTickCount64());
}
