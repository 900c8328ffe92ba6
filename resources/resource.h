// Resource and control ids shared by the resource script, the stub and its tests.
#pragma once

#define IDD_EXTRACT 129
#define IDI_APPLICATION_ICON 107

#define IDC_EXTRACT 1  // IDOK: Enter presses it
#define IDC_CLOSE 2    // IDCANCEL: Escape and the close box press it
#define IDC_DESTINATION 1000
#define IDC_BROWSE 1002
#define IDC_OVERWRITE 1003
#define IDC_PROGRESS 1004
#define IDC_EXTRACTED_LIST 1005
#define IDC_CURRENT_FILE 1006
#define IDC_COMPLETED 1007
