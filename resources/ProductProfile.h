/*
 * Product profile: every text that ties the two programs to one printer model, defined once.
 * Both string tables (.rc) and the tests are made from these definitions; the entry numbers follow
 * each program's own numbering (the installer carries four version entries more, so from the maker
 * name on its numbers are four higher). Numbers 10 and 19 are unused in both programs.
 * Plain C preprocessor only: this header is read by windres as well as by the compilers.
 */
#ifndef QLX_PRODUCT_PROFILE_H
#define QLX_PRODUCT_PROFILE_H

#define PROFILE_MODEL_NAME      "QLX-480"
#define PROFILE_DRIVER_NAME     "KORVANE QLX-480"
#define PROFILE_MONITOR_NAME    "KVN Language Monitor QLX-480"
#define PROFILE_PROCESSOR_NAME  "KVN PRINT PROCESSOR QLX-480"
#define PROFILE_DRIVER_DLL      "QLX480.dll"
#define PROFILE_MONITOR_DLL     "QLMON480.dll"
#define PROFILE_PROCESSOR_DLL   "QLPRO480.dll"
#define PROFILE_UI_DLL          "QLUI480.dll"
#define PROFILE_UNI_DLL         "QLUNI480.dll"
#define PROFILE_INF_NAME        "qlx480.inf"
#define PROFILE_USB_VID_PID     "Vid_7E21&Pid_0C3B"
#define PROFILE_PNP_ID1         "korvane_qlx_480c19e"
#define PROFILE_PNP_ID2         "korvane_qlx_480c19e"
#define PROFILE_USB_ENUM_KEY    "SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\KORVANE_QLX-480"
#define PROFILE_LPT_ENUM_KEY    "SYSTEM\\CurrentControlSet\\Enum\\LPTENUM\\KORVANE_QLX-480"
#define PROFILE_INSTALLER_EXE   "QLX480_Installer.exe"
#define PROFILE_UNINSTALLER_EXE "QLX480_Uninstaller.exe"
#define PROFILE_UNINSTALL_KEY   "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KORVANE_QLX-480"
#define PROFILE_VERSION_MAJOR   "2"
#define PROFILE_VERSION_MINOR   "0"
#define PROFILE_VERSION_BUILD   "0"
#define PROFILE_VERSION_EXTRA   "0"
#define PROFILE_MAKER_NAME      "KORVANE"
#define PROFILE_GPD_NAME        "QLX480.GPD"
#define PROFILE_BUD_NAME        "QLX480.BUD"
#define PROFILE_UI_INI_NAME     "QLUI480.INI"
#define PROFILE_FORM_TAG        "[480]"

/* Entry numbers common to both programs. */
#define IDS_MODEL_NAME      1
#define IDS_DRIVER_NAME     2
#define IDS_MONITOR_NAME    3
#define IDS_PROCESSOR_NAME  4
#define IDS_DRIVER_DLL      5
#define IDS_MONITOR_DLL     6
#define IDS_PROCESSOR_DLL   7
#define IDS_UI_DLL          8
#define IDS_UNI_DLL         9
#define IDS_INF_NAME        11
#define IDS_USB_VID_PID     12
#define IDS_PNP_ID1         13
#define IDS_PNP_ID2         14
#define IDS_USB_ENUM_KEY    15
#define IDS_LPT_ENUM_KEY    16
#define IDS_INSTALLER_EXE   17
#define IDS_UNINSTALLER_EXE 18
#define IDS_UNINSTALL_KEY   20

/* Installer only: the version digits, then the tail of the table. */
#define IDS_INST_VERSION_MAJOR 21
#define IDS_INST_VERSION_MINOR 22
#define IDS_INST_VERSION_BUILD 23
#define IDS_INST_VERSION_EXTRA 24
#define IDS_INST_MAKER_NAME    25
#define IDS_INST_GPD_NAME      26
#define IDS_INST_BUD_NAME      27
#define IDS_INST_UI_INI_NAME   28
#define IDS_INST_FORM_TAG      29

/* Uninstaller: the same tail, four numbers lower. */
#define IDS_UNINST_MAKER_NAME   21
#define IDS_UNINST_GPD_NAME     22
#define IDS_UNINST_BUD_NAME     23
#define IDS_UNINST_UI_INI_NAME  24
#define IDS_UNINST_FORM_TAG     25

/* Version record of both programs. */
#define PROFILE_FILEVERSION_NUM     2014,12,24,1
#define PROFILE_PRODUCTVERSION_NUM  2,0,0,0
#define PROFILE_COMPANY_NAME        "KORVANE Co., Ltd."
#define PROFILE_FILE_DESCRIPTION    "KORVANE QLX-480"
#define PROFILE_FILE_VERSION        "2014, 12, 24, 1"
#define PROFILE_INTERNAL_NAME       "QLX480_Installer"
#define PROFILE_PRODUCT_NAME        "QLX-480 Windows Driver"
#define PROFILE_PRODUCT_VERSION     "2, 0, 0, 0"

/* Icon group of both programs. */
#define IDI_MAINFRAME 128

#endif
