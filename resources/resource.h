/* Every resource and control id of Quirewell's Windows program, shared by the .rc and the code. */
#pragma once

#define IDI_QUIREWELL 128
#define IDD_MAIN 129
#define IDD_ABOUT 100
#define IDR_TRAY_MENU 201

/* Main dialog controls. */
#define IDC_FAX_DIR_BUTTON 1000
#define IDC_FAX_DIR 1001
#define IDC_MERGE 1003
#define IDC_PROGRESS 1004
#define IDC_STATUS 1005
#define IDC_INCLUDE_SUBDIRS 1006
#define IDC_SAVE_DIR_BUTTON 1007
#define IDC_SAVE_DIR 1008
#define IDC_LINK_SITE 1009
#define IDC_LINK_PRODUCT 1010
#define IDC_LOG 1012
#define IDC_KEEP_FILE_DATE 1013
#define IDC_KEEP_HIERARCHY 1014
#define IDC_LINK_DONATE 1016
#define IDC_HELP_BUTTON 1017
#define IDC_AUTO_MERGE 1018
#define IDC_MINUTES 1019

/* About box controls; the site link shares the main dialog's id. */
#define IDC_ABOUT_LINK_DONATE 1015

/* Commands shared by buttons and the notification-area menu. */
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_TRAY_OPEN 57601

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
