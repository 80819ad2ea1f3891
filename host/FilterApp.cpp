#include "host/FilterApp.h"

#include "commands/AboutBox.h"
#include "image/Framework.h"

int16 CFilterApp::OnAbout(FilterRecord* /*record*/, std::intptr_t* /*data*/) {
  ShowAboutBox();
  return noErr;
}

int16 CFilterApp::OnParameters(FilterRecord* record, std::intptr_t* /*data*/) {
  return RequestWholeImage(record);
}

int16 CFilterApp::OnPrepare(FilterRecord* /*record*/, std::intptr_t* /*data*/) { return noErr; }

int16 CFilterApp::OnStart(FilterRecord* record, std::intptr_t* /*data*/) {
  return RequestWholeImage(record);
}

int16 CFilterApp::OnContinue(FilterRecord* record, std::intptr_t* /*data*/) {
  if (!CheckImageMode(record, record->platformData)) return userCanceledErr;
  m_exchange.SetFilterRecord(record);
  (void)m_exchange.ReadFromHost();  // judged by IsReadyToRun
  if (!IsReadyToRun()) return userCanceledErr;
  if (!RunDialog()) return userCanceledErr;
  // A result that cannot go back is a failure, not a success that changed nothing.
  if (!m_exchange.WriteToHost()) return userCanceledErr;
  // The whole run happened in this one call: the host asks for nothing more.
  record->inRect = Rect{0, 0, 0, 0};
  record->outRect = Rect{0, 0, 0, 0};
  record->maskRect = Rect{0, 0, 0, 0};
  record->autoMask = false;
  return noErr;
}

int16 CFilterApp::OnFinish(FilterRecord* record, std::intptr_t* data) { return OnPrepare(record, data); }

bool CFilterApp::CheckImageMode(FilterRecord* record, PlatformData* /*platformData*/) {
  return record->imageMode == plugInModeRGBColor || record->imageMode == plugInModeGrayScale;
}

bool CFilterApp::IsReadyToRun() {
  if (m_exchange.SourceImage().IsEmpty()) return false;
  if (m_exchange.MaskInUse() && m_exchange.MaskImage().IsEmpty()) return false;
  return !m_exchange.WorkRect().IsEmpty();
}

bool CFilterApp::RunDialog() { return true; }

bool CFilterApp::InitInstance() {
  (void)InitImageFramework();
  return CWinApp::InitInstance();
}

int CFilterApp::ExitInstance() {
  ReleaseImageFramework();
  return CWinApp::ExitInstance();
}

int16 CFilterApp::RequestWholeImage(FilterRecord* record) {
  const Rect whole{0, 0, record->imageSize.v, record->imageSize.h};
  record->inRect = whole;
  record->outRect = whole;
  record->maskRect = whole;
  record->inLoPlane = 0;
  record->inHiPlane = static_cast<int16>(record->planes - 1);
  record->outLoPlane = 0;
  record->outHiPlane = static_cast<int16>(record->planes - 1);
  record->autoMask = false;  // the plug-in applies the selection itself
  return noErr;
}
