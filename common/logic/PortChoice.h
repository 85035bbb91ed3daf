// Port choice from the settings file: the "PORTDLG" and "PORT" values, port index and port code.
#pragma once

constexpr int kPortIndexCom1 = 0;
constexpr int kPortIndexCom2 = 1;
constexpr int kPortIndexCom3 = 2;
constexpr int kPortIndexCom4 = 3;
constexpr int kPortIndexLpt1 = 4;
constexpr int kPortIndexLpt2 = 5;
constexpr int kPortIndexUsb = 6;
constexpr int kPortIndexCount = 7;

constexpr int kPortCodeBase = 1000;
constexpr int kPortCodeUsb = kPortCodeBase + kPortIndexUsb;

// Settings values come in 256-byte buffers; no value is read past this many characters.
constexpr unsigned kSettingValueLimit = 256;

// True when the port dialog is to be shown: no value (null) or a value containing "TRUE".
bool WantsPortDialog(const char* pszPortDlgValue);

// Port index from the "PORT" value: the first of COM1, COM2, COM3, COM4, LPT1, LPT2, USB (in this
// order, not in the order written) that the value contains, case-sensitively; 0 for null or none.
int PortIndexFromSetting(const char* pszPortValue);

// Port code of a port index: 1000 + index.
int PortCodeFromIndex(int nIndex);

// True for the indexes 0..6.
bool IsValidPortIndex(int nIndex);

// Name of a port index: "COM1", "COM2", "COM3", "COM4", "LPT1", "LPT2", "USB" for 0..6; null for
// any other index.
const char* PortNameFromIndex(int nIndex);

// Port name of a port code: "COM1".."LPT2" for 1000..1005; "" for USB (1006) and any other code.
const char* PortNameFromCode(int nPortCode);

// Port of the printer object: "COM1:".."LPT2:" for 1000..1005; null for any other code.
const char* PortDeviceNameFromCode(int nPortCode);
