// Identifiers of the program's resources: page templates, controls, strings, images.
// Shared by the resource script and the code; plain defines so that windres reads them too.
#pragma once

// The program's version, as the log and the manifest name it.
#define SETUP_VERSION "1.0.0"

#define IDI_SETUP 1
#define IDB_IMAGES 2        // strip of 71 images of 16 x 16 on a teal mask
#define IDB_IMAGES_COUNT 71
#define IDB_WIZARD 4        // wizard picture, 164 x 628
#define IDB_HEADER 5        // header picture, 49 x 49

// Page templates: classic look 1100..1106, header look 1107..1113 (n + 7 is the twin of n).
#define IDD_WELCOME 1100
#define IDD_COMPONENTS 1101
#define IDD_TARGETDIR 1102
#define IDD_READY 1103
#define IDD_INSTALLFINISH 1104
#define IDD_REMOVE 1105
#define IDD_REMOVEFINISH 1106
#define IDD_WELCOME_HDR 1107
#define IDD_COMPONENTS_HDR 1108
#define IDD_TARGETDIR_HDR 1109
#define IDD_READY_HDR 1110
#define IDD_INSTALLFINISH_HDR 1111
#define IDD_REMOVE_HDR 1112
#define IDD_REMOVEFINISH_HDR 1113

// Controls addressed by the pages.
#define IDC_HEADER_TITLE 1200
#define IDC_HEADER_SUBTITLE 1201
#define IDC_TITLE 1202
#define IDC_TEXT 1203
#define IDC_PHASE 1204
#define IDC_NOTICE_ICON 1205
#define IDC_CHECKLIST 1206
#define IDC_TARGET_EDIT 1207
#define IDC_BROWSE 1208
#define IDC_PROGRESS 1209
#define IDC_TARGET_FAULT 1210  // why the target page's path cannot be used
// The templates give control 1202 a meaning of its own on two pages.
#define IDC_DESCRIPTION IDC_TITLE  // the components page's read-only, scrolling description
#define IDC_CDROM_NOTE IDC_TITLE   // the ready page's note that the CD-ROM may be needed
#define IDC_STATIC_LINE 65533
#define IDC_STATIC_TEXT 65534
#define IDC_STATIC_OTHER 65535

// String table.
#define IDS_SETUP_TITLE 1300
#define IDS_WELCOME_TEXT 1301
#define IDS_COMPONENTS_TITLE 1303
#define IDS_COMPONENTS_SUBTITLE 1304
#define IDS_TARGET_TITLE 1305
#define IDS_TARGET_SUBTITLE 1306
#define IDS_READY_TITLE 1307
#define IDS_READY_SUBTITLE 1308
#define IDS_INSTALL_FAILED 1311
#define IDS_REMOVE_FAILED 1312
#define IDS_WARNING 1313
#define IDS_NEWER_VERSION 1314
#define IDS_SCRIPT_ERROR 1315
#define IDS_BROWSE_TITLE 1316
#define IDS_PHASE_STOP_SERVICES 1317
#define IDS_PHASE_COPY 1318
#define IDS_PHASE_DELETE 1319
#define IDS_PHASE_REGISTRY 1320
#define IDS_PHASE_SHORTCUTS 1321
#define IDS_PHASE_START_SERVICES 1322
// The sheet's own buttons, labelled in the pages' language.
#define IDS_BUTTON_BACK 1330
#define IDS_BUTTON_NEXT 1331
#define IDS_BUTTON_CANCEL 1332
#define IDS_BUTTON_FINISH 1333
#define IDS_NOT_INSTALLED 1340
// Why a target directory cannot be used.
#define IDS_TARGET_IS_FILE 1350       // %s: the file in the folder's place
#define IDS_TARGET_NO_DRIVE 1351      // %s: the drive, as "X:"
#define IDS_TARGET_NOT_ABSOLUTE 1352
#define IDS_TARGET_REFUSED 1353
#define IDS_TARGET_OTHER_SETUP 1354   // %s: the other program whose setup the folder holds
#define IDS_TARGET_BAD_ENDING 1355    // %s: the folder name that ends in a dot or a blank
#define IDS_COMMAND_LINE_INVALID 1360  // %s: the option whose value cannot be used
#define IDS_UNKNOWN_PRODUCT_KEY 1361   // %s: a key of "/install:" that the script does not list
#define IDS_PACKAGE_DAMAGED 1362       // %s: the packed program's file
#define IDS_PRODUCT_OF_OTHER_PROGRAM 1365  // %s: the program that holds a key of the install
// The last paragraph of a failed install's error box: its changes were taken back.
#define IDS_INSTALL_TAKEN_BACK 1370
#define IDS_INSTALL_TAKEN_BACK_AT_RESTART 1371
