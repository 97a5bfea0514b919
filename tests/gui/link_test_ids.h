/* Ids of the dialog that the GUI test program builds to host link labels. */
#pragma once

#define IDD_LINK_TEST 300

#define IDC_TEST_LEFT 3001
#define IDC_TEST_CENTRED 3002
#define IDC_TEST_RIGHT 3003
#define IDC_TEST_TWO_LINES 3004
#define IDC_TEST_DISABLED 3005
#define IDC_TEST_EDIT 3006
#define IDC_TEST_EXTRA 3007
