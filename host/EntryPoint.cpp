// The plug-in library's one exported function and its one application object.
//
// The application object lives as long as the library: it is constructed and
// started when the library is loaded and shut down and destroyed when it is
// unloaded, once per load.

#include "host/Dispatcher.h"
#include "host/PluginApp.h"

namespace {

class CLoadedApp {
 public:
  CLoadedApp() { m_app.InitInstance(); }
  ~CLoadedApp() {
    try {
      m_app.ExitInstance();
    } catch (...) {
    }
  }
  CLoadedApp(const CLoadedApp&) = delete;
  CLoadedApp& operator=(const CLoadedApp&) = delete;

  CPluginApp& App() { return m_app; }

 private:
  CPluginApp m_app;
};

CLoadedApp g_theApp;

}  // namespace

extern "C" TINTAVO_EXPORT void TINTAVO_CDECL ENTRYPOINT(int16 selector, FilterRecord* record,
                                                         std::intptr_t* data, int16* result) {
  DispatchSelector(g_theApp.App(), selector, record, data, result);
}
