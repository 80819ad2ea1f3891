#include "host/PluginApp.h"

#include "platform/MessageBox.h"

bool CPluginApp::CheckImageMode(FilterRecord* record, PlatformData* /*platformData*/) {
  if (record->imageMode == plugInModeRGBColor) return true;
  platform::MessageBoxRequest box;
  box.text = "File is wrong format.\nProgram requires RGB image (24 bit)";
  box.caption = "! Input Data Error !";
  box.buttons = platform::MessageBoxButtons::kOk;
  platform::ShowMessageBox(box);
  return false;
}

bool CPluginApp::RunDialog() {
  // The dialog is not built yet; answering false means the user cancelled, so
  // nothing is written back to the host.
  return false;
}
