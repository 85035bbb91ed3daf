// Application object of the uninstaller: one instance at a time, its dialog run modally.
#pragma once

#include "framework/Application.h"

class CKVNPOS_UninstallerApp : public fw::Application {
public:
    BOOL InitInstance() override;
    int ActivatePreviousInstance();
};
