#pragma once
// Numbers of the plug-in's resources and of the controls in its dialogs.
// Plain #defines: the resource compiler reads this file too.

#define IDD_MAIN_DIALOG 101
#define IDD_SAVE_STYLE 102
#define IDD_CONTROL_PANE 3011
#define IDP_PRESET_DELETE 102
#define IDP_PRESET_SAVE 103
#define IDS_PRESET_EXISTS 1011
#define IDR_TOOLBAR 128
#define IDI_TINTAVO 128
#define IDR_ACCELERATORS 3001
#define IDC_CURSOR_ZOOM 3007
#define IDC_CURSOR_PAN 3008
#define IDS_TITLE 57346

#define IDC_ZOOM_TEXT 1001
#define IDC_HINT_TEXT 1002
#define IDC_PANE_PLACE 1005
#define IDC_PRESET_LIST 1006
#define IDC_PRESET_SAVE 1007
#define IDC_PRESET_DELETE 1008
#define IDC_PRESET_LABEL 1009
#define IDC_PREVIEW 3002
#define IDC_TOOLBAR_PLACE 3003
#define IDC_PROGRESS 3013
#define IDC_TINTAVO_HELP 32651
#define IDC_STYLE_NAME 1010

// The control pane (dialog 3011).
#define IDC_SELECT_TEMPLATE 3006
#define IDC_POPUP_ANCHOR 3013
#define IDC_MODE_BRIGHTNESS 3021
#define IDC_MODE_NORMAL 3022
#define IDC_MODE_COLOR 3023
#define IDC_BRIGHTNESS 3025
#define IDC_COLOR_INTENSITY 3031
#define IDC_FADE 3032
#define IDC_DISPLAY 3060
#define IDC_DISPLAY_LABEL 3061

#define ID_ZOOM_IN 32773
#define ID_ZOOM_OUT 32775
#define ID_TOOL_ZOOM 32776
#define ID_TOOL_PAN 32778

// The template browser's folder bar (dialog 3012).
#define IDD_THUMBS_CONTROL 3012
#define IDC_CHANGE_FOLDER 3105
#define IDC_DEFAULT_FOLDER 3201
#define IDC_FOLDER_TEXT 3202
