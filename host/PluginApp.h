#pragma once
// Tintavo's application object: the framework application with the RGB-only
// image-mode check and the plug-in's dialog.

#include "host/FilterApp.h"

class CPluginApp : public CFilterApp {
 public:
  // RGB only; anything else is refused with a message box.
  bool CheckImageMode(FilterRecord* record, PlatformData* platformData) override;
  bool RunDialog() override;
};
