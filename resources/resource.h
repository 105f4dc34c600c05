/* Resource identifiers, shared by tavro.rc and the code. The numbers are fixed:
 * other programs and the stored templates know them. */
#ifndef TAVRO_RESOURCE_H
#define TAVRO_RESOURCE_H

/* String table */
#define IDS_APPNAME             1
#define IDS_HARDWARE_FAILURE    100
#define IDS_GENDEX_CCD18        101
#define IDS_GENDEX_CCD18_B      102
#define IDS_GENDEX_CCD38        104
#define IDS_GENDEX_USB          105
#define IDS_ACQUIRED            106
#define IDS_DISARMED            107
#define IDS_HW_NOT_ANSWERING    108
#define IDS_HW_ANSWERING        109
#define IDS_NOT_IMPLEMENTED     110
#define IDS_TROPHY_CCX          120
#define IDS_TROPHY_NO_CCX       121
#define IDS_SCHICK              150
#define IDS_PRESS_F5            151
#define IDS_WAIT                152
#define IDS_DEXIS               160
#define IDS_OUT_OF_MEMORY       161
#define IDS_WAITING_XRAY        205

/* Menu, accelerators, dialogs */
#define IDR_MAINMENU            1
#define IDR_ACCELERATORS        1
#define IDD_CONTROL             1
#define IDD_HARDWARE_SETUP      2
#define IDD_SCHICK_SETUP        3

/* Menu commands (101 is also the "&Esci" button) */
#define IDM_HARDWARE_SETUP      100
#define IDM_EXIT                101
#define IDM_TEST_ACQUISITION    102
#define IDM_DRIVER_VERSION      103
#define IDM_ACQUIRE             104
#define IDM_PREVIEW             9070
#define IDM_AUTO_WAIT           9071
#define IDM_HIGH_RESOLUTION     11842

/* Control dialog */
#define IDC_EXIT                101
#define IDC_HARDWARE_LABEL      102
#define IDC_STATUS_LINE         103
#define IDC_IMAGE_COUNTER       104
#define IDC_PICTURE_BASE        499   /* + orientation 1..4: plain picture 500..503 */
#define IDC_HIGHLIGHT_BASE      599   /* + orientation 1..4: highlighted twin 600..603 */
#define IDC_PICTURE_TOP         500
#define IDC_PICTURE_RIGHT       501
#define IDC_PICTURE_BOTTOM      502
#define IDC_PICTURE_LEFT        503
#define IDC_HIGHLIGHT_TOP       600
#define IDC_HIGHLIGHT_RIGHT     601
#define IDC_HIGHLIGHT_BOTTOM    602
#define IDC_HIGHLIGHT_LEFT      603

/* Hardware setup dialog */
#define IDC_INTEGRATION_TIME    101
#define IDC_IRQ                 102
#define IDC_MEMORY_BASE         103
#define IDC_PORT_BASE           104
#define IDC_FILTER_LOG          105
#define IDC_FILTER_EQUAL        106
#define IDC_FILTER_DESPECKLE    107
#define IDC_FILTERS_LABEL       108

/* Schick setup dialog (kept in the script, never loaded) */
#define IDC_SCHICK_SETTLE       101
#define IDC_SCHICK_PORT         102
#define IDC_SCHICK_GRAB_ON_OPEN 103
#define IDC_SCHICK_THRESHOLD    110
#define IDC_SCHICK_EXPOSURE     111
#define IDC_SCHICK_COUNT        112
#define IDC_SCHICK_CONFIG_PATH  113

/* Orientation pictures: plain 100..103, highlighted 110..113 */
#define IDB_SENSOR_TOP          100
#define IDB_SENSOR_RIGHT        101
#define IDB_SENSOR_BOTTOM       102
#define IDB_SENSOR_LEFT         103
#define IDB_SENSOR_TOP_SEL      110
#define IDB_SENSOR_RIGHT_SEL    111
#define IDB_SENSOR_BOTTOM_SEL   112
#define IDB_SENSOR_LEFT_SEL     113

#define IDI_TAVRO               100

#endif
