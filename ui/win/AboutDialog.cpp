#include "ui/AboutDialog.h"

#include <windows.h>

#include <cstdlib>

void ShowAboutText(const std::array<std::string, 4>& lines);

namespace {

constexpr int kAboutDialog = 107;
constexpr int kFirstLine = 1014;  // controls 1014 to 1017, top to bottom

HMODULE OwnModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&OwnModule), &module);
  return module;
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      const auto* lines = reinterpret_cast<const std::array<std::string, 4>*>(lParam);
      for (int i = 0; i < 4; ++i) SetDlgItemTextA(dialog, kFirstLine + i, (*lines)[i].c_str());
      return TRUE;
    }
    case WM_LBUTTONUP:
      // After the default handling of the release, any click closes the box.
      DefWindowProcA(dialog, message, wParam, lParam);
      EndDialog(dialog, IDOK);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

void ShowAboutDialog(const std::array<std::string, 4>& lines) {
  const char* headless = std::getenv("TINTAVO_HEADLESS");
  if (headless != nullptr && *headless != '\0') {
    ShowAboutText(lines);
    return;
  }
  if (DialogBoxParamA(OwnModule(), MAKEINTRESOURCEA(kAboutDialog), nullptr, AboutProc,
                      reinterpret_cast<LPARAM>(&lines)) == -1) {
    // Without the dialog template (a test program) the lines still show.
    ShowAboutText(lines);
  }
}
