#pragma once
// Numbers of the plug-in's resources and of the controls in its dialogs.
// Plain #defines: the resource compiler reads this file too.

#define IDD_MAIN_DIALOG 101
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

#define ID_ZOOM_IN 32773
#define ID_ZOOM_OUT 32775
#define ID_TOOL_ZOOM 32776
#define ID_TOOL_PAN 32778
