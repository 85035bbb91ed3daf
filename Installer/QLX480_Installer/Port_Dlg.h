// Port dialog: one radio group of the printer ports, preselected from the settings file's "PORT"
// value. Shown modally to let the user confirm the port, or created hidden to take the preset.
#pragma once

#include "framework/Dialog.h"

class CPort_Dlg : public fw::Dialog {
public:
    explicit CPort_Dlg(fw::Dialog* pParent = nullptr);

    int GetPortIndex() const { return m_nPortIndex; }

    int m_nPortIndex = 0;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(fw::DataExchange& dx) override;
    BOOL OnCommand(WORD nId, WORD nCode, HWND hCtl) override;
};
