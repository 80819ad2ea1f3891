// A small Windows program that opens the template browser on a folder the
// way the control pane does, for tests that drive it with real input under
// Wine: a main window with a "Select Template" button, the folder bar, the
// thumbnail list and its popup.  What happens goes to the dialog's test log
// (TINTAVO_UI_LOG): the popup's and the grid's screen rectangles, tooltips,
// the choice ("chosen INDEX PATH") and the end ("popup closed").
//
//   tintavo_browser_probe FOLDER [--next-folder FOLDER]
//
// "Change Folder" opens the desktop's folder chooser; with --next-folder
// the given folder is taken instead, as if the user had chosen it there.
// The program ends when a popup ends without being reopened.

#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/FolderDialog.h"
#include "resources/ResourceIds.h"
#include "ui/ThumbnailList.h"
#include "ui/UiLog.h"
#include "ui/win/FolderBar.h"
#include "ui/win/ThumbnailMessages.h"
#include "ui/win/ThumbnailPopup.h"

namespace {

using namespace ui::win;

constexpr UINT kFolderCommand = WM_USER + 7;
constexpr int kButtonId = 100;

class CProbeWindow : public CWindow {
 public:
  CProbeWindow(std::string folder, std::string nextFolder)
      : m_folder(std::move(folder)), m_nextFolder(std::move(nextFolder)) {}

  bool Create() {
    const char* cls = RegisterClassOnce("TintavoBrowserProbe", 0, GetSysColorBrush(COLOR_BTNFACE), nullptr);
    if (CreateWindowExA(0, cls, "Browser probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 300, 200, nullptr, nullptr,
                        Module(), this) == nullptr) {
      return false;
    }
    m_button = CreateWindowExA(0, "BUTTON", "Select Template", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20, 20, 140, 30,
                               m_hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), Module(), nullptr);
    m_list.ScanFolder(m_folder, false, true);
    return true;
  }

  void Open() {
    if (m_popup != nullptr) return;
    if (m_bar.Handle() == nullptr) m_bar.Create(m_hwnd, m_hwnd, kFolderCommand);
    m_bar.SetFolderText("Current Folder: " + m_folder);
    RECT anchor{};
    GetWindowRect(m_button, &anchor);
    CThumbnailPopup::Options options;
    options.caption = "Select template image";
    options.owner = m_hwnd;
    options.source = &m_list;
    options.anchor = {anchor.left - 5, anchor.top - 5, anchor.right + 5, anchor.bottom + 5};
    options.folderBar = &m_bar;
    m_popup = CThumbnailPopup::Create(options);
    if (m_popup == nullptr) {
      m_list.StopWorker();
      ui::UiLogLine("popup failed");
      return;
    }
    m_popup->View().SetMultipleSelection(false);
    if (m_remembered >= 0) {
      m_popup->View().Select(m_remembered);
      m_popup->View().EnsureFocusVisible();
    }
    m_popup->Show();
  }

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
    *result = 0;
    if (message == EndPopupMessage()) {
      m_remembered = static_cast<int>(lParam);
      ui::UiLogLine("chosen " + std::to_string(lParam) + " " + m_list.Path(static_cast<int>(lParam)));
      m_popup = nullptr;
      if (!m_reopening) PostQuitMessage(0);
      return true;
    }
    if (message == PopupDestroyingMessage()) {
      m_popup = nullptr;
      if (!m_reopening && !m_choosing) PostMessageA(m_hwnd, WM_APP + 2, 0, 0);
      return true;
    }
    switch (message) {
      case WM_APP + 2:
        // Ended without a choice: the program is done unless a choice is
        // on its way.
        {
          MSG waiting;
          if (!PeekMessageA(&waiting, m_hwnd, EndPopupMessage(), EndPopupMessage(), PM_NOREMOVE)) PostQuitMessage(0);
        }
        return true;
      case WM_COMMAND:
        if (LOWORD(wParam) == kButtonId) Open();
        return true;
      case kFolderCommand:
        FolderCommand(static_cast<int>(lParam));
        return true;
      case WM_DESTROY:
        PostQuitMessage(0);
        return true;
      default:
        return false;
    }
  }

 private:
  // The pane's folder commands: choose, rescan, reopen where the popup
  // was, and take the new folder's first picture.
  void FolderCommand(int command) {
    std::string path = m_folder;
    if (command == 1) {
      m_choosing = true;
      if (!m_nextFolder.empty()) {
        path = m_nextFolder;
      } else {
        platform::BrowseForFolder(&path, m_hwnd);
      }
      m_choosing = false;
    } else {
      path = "C:\\";
    }
    ui::UiLogLine("folder " + path);
    if (path.empty() || path == m_folder) return;
    m_folder = path;
    m_remembered = 0;
    m_reopening = true;
    if (m_popup != nullptr) m_popup->Close();
    m_popup = nullptr;
    m_list.Clear();
    m_list.ScanFolder(m_folder + "\\", false, true);
    CThumbnailPopup::ReopenAtLastPosition();
    Open();
    m_reopening = false;
    ui::UiLogLine("chosen 0 " + m_list.Path(0));
  }

  std::string m_folder;
  std::string m_nextFolder;
  HWND m_button = nullptr;
  ui::CThumbnailList m_list;
  CFolderBar m_bar;
  CThumbnailPopup* m_popup = nullptr;
  int m_remembered = -1;
  bool m_reopening = false;
  bool m_choosing = false;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: tintavo_browser_probe FOLDER [--next-folder FOLDER]\n");
    return 2;
  }
  std::string next;
  for (int i = 2; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--next-folder") == 0) next = argv[i + 1];
  }
  InitCommonControlsOnce();
  CProbeWindow window(argv[1], next);
  if (!window.Create()) return 1;
  window.Open();
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  ui::UiLogLine("probe end");
  return 0;
}
