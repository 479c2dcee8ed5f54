// Identifiers of the program's resources, shared by the resource script and the code.
#pragma once

#define IDS_SAVER_NAME 1
#define IDI_LAKEGLASS 100
#define IDB_BANNER 129
// The banner at three times the 96-DPI size and as tall as its place in the dialog.
#define IDB_BANNER_3X 130
#define IDD_SETTINGS 2003

// The sound clips, of type "WAVE": five water drops, then two rain clips.
#define IDW_DROP_FIRST 129
#define IDW_DROP_LAST 133
#define IDW_RAIN_FIRST 134
#define IDW_RAIN_LAST 135

// Controls of the settings dialog; static labels and group boxes share -1.
#define IDC_BANNER 1002
#define IDC_SNAPSHOT 1005
#define IDC_WALLPAPER 1006
#define IDC_OWN_PICTURE 1007
#define IDC_PICTURE_PATH 1008
#define IDC_BROWSE 1009
#define IDC_RIPPLE_SIZE 1010
#define IDC_RIPPLE_DEPTH 1011
#define IDC_DROP_SIZE 1012
#define IDC_DROP_WEIGHT 1013
#define IDC_SOUND 1014
#define IDC_RAIN 1015
#define IDC_REBOUND 1016
#define IDC_FANCY 1017
#define IDC_PICTURE_LAYOUT 1018
#define IDC_ALL_MONITORS 1019
