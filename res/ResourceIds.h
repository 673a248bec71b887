// Identifiers of the program's resources, shared by the C++ sources and the resource script:
// plain #define lines only, so that the resource compiler's preprocessor can read them too.
#ifndef TORNQUILL_RES_RESOURCEIDS_H
#define TORNQUILL_RES_RESOURCEIDS_H

#define IDI_APP_ICON 100
#define IDD_MAIN_DIALOG 101

// String table. The loader reads blocks of sixteen entries, so 103 to 111 share block 7 with
// the unused identifiers 96 to 102, and 112 to 122 lie in block 8.
#define IDS_SITE_ADDRESS 103
#define IDS_UNREACHABLE 104
#define IDS_OS_TOO_OLD 105
#define IDS_OS_UNRECOGNISED 106
#define IDS_OS_UNDETERMINED 107
#define IDS_DOWNLOAD_PAGE 108
#define IDS_PACKAGE_TITLE 109
#define IDS_SAVE_TITLE 110
#define IDS_CREATE_FAILED 111
#define IDS_CANCEL_QUESTION 112
#define IDS_TOTAL_NOT_GIVEN 113
#define IDS_TOTAL_GIVEN 114
#define IDS_LAUNCH_FAILED 115
#define IDS_CONNECTING 116
#define IDS_COMPLETED_AFTER_CANCEL 117
#define IDS_NO_HASH 118
#define IDS_HASH_MISMATCH 119
#define IDS_VERIFY_EXCEPTION 120
#define IDS_VERIFYING 121
#define IDS_REPLACE_QUESTION 122

// Controls of the main dialog.
#define IDC_PROGRESS_BAR 1000
#define IDC_WEBSITE_BUTTON 1001
#define IDC_CAPTION_LABEL 1002
#define IDC_ICON_VIEW 1003
#define IDC_OS_LABEL 1004
#define IDC_CANCEL_BUTTON 1005
#define IDC_THANKS_LABEL 1006
#define IDC_TOTAL_LABEL 1007
#define IDC_BYTE_COUNT_LABEL 1008

#endif
