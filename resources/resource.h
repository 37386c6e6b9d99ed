// Ids of the dialog templates and their controls.
#pragma once

#define IDD_MAIN_DIALOG 103
#define IDC_MODEL_COMBO 1000
#define IDC_PRINTER_NAME 1001
#define IDC_SET_DEFAULT 1002
#define IDC_PORT_HINT 1003
#define IDC_CONNECTION_LIST 1004
#define IDC_PROGRESS 1007
#define IDC_PORT_GROUP 1008
#define IDC_MODEL_LABEL 1009
#define IDC_PRINTER_NAME_LABEL 1010
#define IDC_STATUS 1011
#define IDC_INSTALL 1012

// The TCP/IP and parallel port dialogs. Neither uses IDOK or IDCANCEL for its buttons.
#define IDD_TCPIP_PORT_DIALOG 129
#define IDD_LPT_PORT_DIALOG 137
#define IDC_PORT_LIST 1004
#define IDC_NEW_PORT 1029
#define IDC_PORT_PROMPT 1030
#define IDC_CONFIGURE_PORT 1031
#define IDC_DELETE_PORT 1032
#define IDC_PORT_OK 1037
#define IDC_PORT_CANCEL 1039
