#include "host/PluginApp.h"

#include "host/ExchangeRun.h"
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
  // Without a dialog the filter applies the settings the user last had.
  return RunWithStoredSettings(Exchange());
}
