#pragma once
// The framework's filter application: every host selector becomes one virtual
// operation with a working default.  A plug-in derives from it and overrides
// only what differs (CPluginApp: the image-mode check and the dialog).

#include <cstdint>

#include "host/FilterRecord.h"
#include "host/HostExchange.h"
#include "host/WinApp.h"

class CFilterApp : public CWinApp {
 public:
  CFilterApp() = default;
  ~CFilterApp() override = default;

  // Selector handlers; each answers the 16-bit result code for the host.
  virtual int16 OnAbout(FilterRecord* record, std::intptr_t* data);
  virtual int16 OnParameters(FilterRecord* record, std::intptr_t* data);
  virtual int16 OnPrepare(FilterRecord* record, std::intptr_t* data);
  virtual int16 OnStart(FilterRecord* record, std::intptr_t* data);
  virtual int16 OnContinue(FilterRecord* record, std::intptr_t* data);
  virtual int16 OnFinish(FilterRecord* record, std::intptr_t* data);

  // True for RGB and grayscale documents.
  virtual bool CheckImageMode(FilterRecord* record, PlatformData* platformData);
  // Whether the image read from the host can be worked on.
  virtual bool IsReadyToRun();
  // The user interface of the run; the framework has none and answers true.
  virtual bool RunDialog();

  // Start-up builds the image framework's tables before the platform's own
  // start-up; shut-down releases them first.
  bool InitInstance() override;
  int ExitInstance() override;

  CHostExchange& Exchange() { return m_exchange; }

 protected:
  // Asks the host for the whole image, all planes, in one piece.
  static int16 RequestWholeImage(FilterRecord* record);

 private:
  CHostExchange m_exchange;
};
