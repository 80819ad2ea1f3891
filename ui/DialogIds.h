#pragma once
// Resource and control numbers of the dialogs, shared by the resource script
// (through resources/ResourceIds.h) and the code.

#include "resources/ResourceIds.h"

namespace ui {

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdHelp = IDC_TINTAVO_HELP;
constexpr int kIdPreview = IDC_PREVIEW;
constexpr int kIdToolBar = IDC_TOOLBAR_PLACE;
constexpr int kIdProgress = IDC_PROGRESS;
constexpr int kIdZoomText = IDC_ZOOM_TEXT;
constexpr int kIdHintText = IDC_HINT_TEXT;
constexpr int kIdPanePlace = IDC_PANE_PLACE;
constexpr int kIdPresetLabel = IDC_PRESET_LABEL;
constexpr int kIdPresetList = IDC_PRESET_LIST;
constexpr int kIdPresetSave = IDC_PRESET_SAVE;
constexpr int kIdPresetDelete = IDC_PRESET_DELETE;

constexpr int kCmdZoomIn = ID_ZOOM_IN;
constexpr int kCmdZoomOut = ID_ZOOM_OUT;
constexpr int kCmdZoomTool = ID_TOOL_ZOOM;
constexpr int kCmdPanTool = ID_TOOL_PAN;

}  // namespace ui
