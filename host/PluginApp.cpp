#include "host/PluginApp.h"

#include "host/ExchangeRun.h"
#include "platform/MessageBox.h"

bool CPluginApp::CheckImageMode(FilterRecord* record, PlatformData* /*platformData*/) {
  if (record->imageMode == plugInModeRGBColor) return true;
  platform::ShowMessage("File is wrong format.\nProgram requires RGB image (24 bit)", "! Input Data Error !");
  return false;
}

bool CPluginApp::RunDialog() {
  // Without a dialog the filter applies the settings the user last had.
  return RunWithStoredSettings(Exchange());
}
