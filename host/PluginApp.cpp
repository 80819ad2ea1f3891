#include "host/PluginApp.h"

#include "platform/MessageBox.h"
#include "ui/FilterDialogRunner.h"

bool CPluginApp::CheckImageMode(FilterRecord* record, PlatformData* /*platformData*/) {
  if (record->imageMode == plugInModeRGBColor) return true;
  platform::ShowMessage("File is wrong format.\nProgram requires RGB image (24 bit)", "! Input Data Error !");
  return false;
}

bool CPluginApp::RunDialog() { return RunFilterDialog(Exchange()); }
