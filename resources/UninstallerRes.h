/* Resource ids of QLX480_Uninstaller (dialog and controls). */
#ifndef QLX_UNINSTALLER_RES_H
#define QLX_UNINSTALLER_RES_H

#define IDD_UNINSTALLER_DIALOG 102

#define IDC_STATUS           1000
#define IDC_BTN_UNINSTALL    1001
#define IDC_PROGRESS         1002
#define IDC_PRINTER_LIST     1006

#endif
