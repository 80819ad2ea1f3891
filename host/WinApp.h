#pragma once
// The platform application class the filter application derives from: the
// start-up and shut-down hooks run once per library load.  (Windows hosts
// never see this class; it stands where MFC's CWinApp stood.)

class CWinApp {
 public:
  CWinApp() = default;
  virtual ~CWinApp() = default;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // Start-up; answers false when the application cannot run.
  virtual bool InitInstance() { return true; }
  // Shut-down; answers the exit code.
  virtual int ExitInstance() { return 0; }
};
