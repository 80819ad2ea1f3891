#include "platform/FolderDialog.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>

namespace platform {
namespace {

std::atomic<bool> g_open{false};

// Opens the tree at the start folder once the dialog exists.
int CALLBACK OnBrowseEvent(HWND dialog, UINT message, LPARAM /*lParam*/, LPARAM data) {
  if (message != BFFM_INITIALIZED || data == 0) return 0;
  const char* start = reinterpret_cast<const char*>(data);
  IShellFolder* desktop = nullptr;
  if (SHGetDesktopFolder(&desktop) != S_OK || desktop == nullptr) return 0;
  wchar_t wide[MAX_PATH + 1] = {};
  MultiByteToWideChar(CP_ACP, 0, start, -1, wide, MAX_PATH);
  PIDLIST_RELATIVE list = nullptr;
  ULONG eaten = 0;
  if (desktop->ParseDisplayName(nullptr, nullptr, wide, &eaten, &list, nullptr) == S_OK && list != nullptr) {
    SendMessageA(dialog, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(list));
    SendMessageA(dialog, BFFM_SETEXPANDED, FALSE, reinterpret_cast<LPARAM>(list));
    CoTaskMemFree(list);
  }
  desktop->Release();
  return 0;
}

}  // namespace

bool BrowseForFolder(std::string* path, WindowHandle owner, const std::string& title) {
  bool expected = false;
  if (!g_open.compare_exchange_strong(expected, true)) return false;
  // The start folder, cut to the length the shell takes.
  char start[MAX_PATH + 1] = {};
  std::strncpy(start, path->c_str(), MAX_PATH);
  BROWSEINFOA info{};
  info.hwndOwner = static_cast<HWND>(owner);
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
  info.lpfn = &OnBrowseEvent;
  info.lParam = reinterpret_cast<LPARAM>(start);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info);
  bool ok = false;
  if (chosen != nullptr) {
    char folder[MAX_PATH] = {};
    if (SHGetPathFromIDListA(chosen, folder)) {
      *path = folder;
      ok = true;
    }
    CoTaskMemFree(chosen);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  g_open = false;
  return ok;
}

}  // namespace platform
