// Application object of the installer: one instance at a time, the progress dialog run modally.
#pragma once

#include "framework/Application.h"

class CKVNPOS_InstallerApp : public fw::Application {
public:
    BOOL InitInstance() override;
    int ActivatePreviousInstance();
};
