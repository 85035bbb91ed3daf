/* Resource ids of QLX480_Installer (dialogs and controls). */
#ifndef QLX_INSTALLER_RES_H
#define QLX_INSTALLER_RES_H

#define IDD_INSTALLER_DIALOG 102
#define IDD_PORT_DIALOG      129

/* Progress dialog */
#define IDC_PROGRESS         1000
#define IDC_VERSION          1001
#define IDC_STATUS           1003

/* Port dialog: the ids do not follow the port order; the tab order does. */
#define IDC_RADIO_COM1       1006
#define IDC_RADIO_COM2       1008
#define IDC_RADIO_COM3       1009
#define IDC_RADIO_COM4       1011
#define IDC_RADIO_LPT1       1007
#define IDC_RADIO_LPT2       1010
#define IDC_RADIO_USB        1001

#endif
