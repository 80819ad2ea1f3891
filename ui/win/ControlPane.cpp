#include "ui/win/ControlPane.h"

#include <shlobj.h>
#include <shellapi.h>

#include "commands/Param.h"
#include "image/Resample.h"
#include "imagefiles/TemplateLoader.h"
#include "platform/MessageBox.h"
#include "platform/Module.h"
#include "resources/ProductInfo.h"
#include "resources/ResourceIds.h"
#include "ui/HelpPage.h"
#include "ui/TemplatePicture.h"
#include "ui/UiLog.h"
#include "ui/win/FilterDialog.h"
#include "ui/win/ThumbnailPopup.h"

namespace ui::win {
namespace {

constexpr int kFieldIds[3] = {IDC_BRIGHTNESS, IDC_COLOR_INTENSITY, IDC_FADE};

int ModeButton(PaneMode mode) {
  switch (mode) {
    case PaneMode::kOnlyBrightness: return IDC_MODE_BRIGHTNESS;
    case PaneMode::kOnlyColor: return IDC_MODE_COLOR;
    default: return IDC_MODE_NORMAL;
  }
}

int CALLBACK BrowseCallback(HWND hwnd, UINT message, LPARAM, LPARAM data) {
  // The browser opens on the current folder.
  if (message == BFFM_INITIALIZED && data != 0) SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

}  // namespace

CControlPaneDlg::CControlPaneDlg(CFilterDlg& dialog) : CChildDialog(kTemplate), m_dialog(dialog) {}

CControlPaneDlg::~CControlPaneDlg() {
  if (m_hwnd != nullptr) ::KillTimer(m_hwnd, kPollTimer);
  // The popup shows the list: it goes first.
  if (m_popup != nullptr) m_popup->Close();
  m_templates.StopWorker();
}

bool CControlPaneDlg::OnInitDialog() {
  m_endPopupMessage = RegisterWindowMessageA("TVM_ENDPOPUP");
  m_popupDestroyingMessage = RegisterWindowMessageA("TVM_POPUPDESTROYING");
  // The fields take their placeholders' places: whole numbers, a slider,
  // EN_UPDATE half a second after a change.
  const double minimums[3] = {-100, -100, 0};
  for (int i = 0; i < 3; ++i) {
    EditNumOptions options;
    options.minimum = minimums[i];
    options.maximum = 100;
    options.value = 0;
    options.format = NumericFormat::kInteger;
    options.delay = 500;
    if (!m_fields[i].Create(m_hwnd, kFieldIds[i], options)) return false;
  }
  if (!m_templateButton.Attach(m_hwnd, IDC_SELECT_TEMPLATE)) return false;
  SendDlgItemMessageA(m_hwnd, IDC_DISPLAY, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Original"));
  SendDlgItemMessageA(m_hwnd, IDC_DISPLAY, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Result"));
  m_model.Open();
  SetTimer(m_hwnd, kPollTimer, kPollMilliseconds, nullptr);
  return true;
}

void CControlPaneDlg::LogControls() {
  if (!UiLogEnabled()) return;
  for (int id : {IDC_BRIGHTNESS, IDC_COLOR_INTENSITY, IDC_FADE, IDC_MODE_NORMAL, IDC_MODE_BRIGHTNESS, IDC_MODE_COLOR,
                 IDC_SELECT_TEMPLATE, IDC_DISPLAY}) {
    HWND control = GetDlgItem(m_hwnd, id);
    if (control != nullptr) UiLogControl(id, ScreenRectOf(control));
  }
  for (int i = 0; i < 3; ++i) {
    if (m_fields[i].ButtonHandle() != nullptr) {
      UiLogControl(kFieldIds[i] * 10 + 1, ScreenRectOf(m_fields[i].ButtonHandle()));
    }
  }
}

void CControlPaneDlg::Poll() {
  ::KillTimer(m_hwnd, kPollTimer);
  m_model.Poll(static_cast<int>(m_fields[0].GetValue()), static_cast<int>(m_fields[1].GetValue()),
               static_cast<int>(m_fields[2].GetValue()));
  SetTimer(m_hwnd, kPollTimer, kPollMilliseconds, nullptr);
}

bool CControlPaneDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  *result = 0;
  if (message == m_endPopupMessage && message != 0) {
    m_model.OnTemplateChosen(static_cast<int>(lParam));
    return true;
  }
  if (message == m_popupDestroyingMessage && message != 0) {
    m_popup = nullptr;
    m_model.OnBrowserClosed();
    return true;
  }
  switch (message) {
    case WM_TIMER:
      if (wParam != kPollTimer) return false;
      Poll();
      return true;
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->hwndItem != m_templateButton.Handle()) return false;
      m_templateButton.Draw(*item);
      *result = TRUE;
      return true;
    }
    case UM_TOOLCHANGED: {
      const int tool = m_dialog.View() != nullptr ? m_dialog.View()->CurrentTool() : 0;
      if (const std::optional<std::string> hint = CControlPaneModel::ToolHint(tool)) m_dialog.SetHintText(*hint);
      return true;
    }
    case UM_FOLDERCOMMAND:
      if (lParam == 1 || lParam == 2) m_model.OnFolderCommand(static_cast<FolderCommand>(lParam));
      return true;
    default:
      return false;
  }
}

bool CControlPaneDlg::OnCommand(int id, int code) {
  switch (id) {
    case IDC_MODE_NORMAL:
    case IDC_MODE_BRIGHTNESS:
    case IDC_MODE_COLOR:
      if (code == BN_CLICKED) {
        m_model.OnModeClicked(id == IDC_MODE_BRIGHTNESS ? PaneMode::kOnlyBrightness
                              : id == IDC_MODE_COLOR    ? PaneMode::kOnlyColor
                                                        : PaneMode::kNormal);
      }
      return true;
    case IDC_SELECT_TEMPLATE:
      if (code == BN_CLICKED) m_model.OnSelectTemplate();
      return true;
    case IDC_DISPLAY:
      if (code == LBN_SELCHANGE) {
        const LRESULT index = SendDlgItemMessageA(m_hwnd, IDC_DISPLAY, LB_GETCURSEL, 0, 0);
        if (index != LB_ERR) m_model.OnDisplayChosen(index == 0 ? PaneDisplay::kOriginal : PaneDisplay::kResult);
      }
      return true;
    default:
      return false;
  }
}

void CControlPaneDlg::ShowHelp() {
  // The whole path of the plug-in's file, however long.
  const std::string module = platform::ModulePathOf(reinterpret_cast<const void*>(&HelpPagePath));
  const std::string page = HelpPagePath(module);
  UiLogLine("help " + page);
  if (page.empty()) return;
  const std::string quoted = "\"" + page + "\"";
  // The shell's answer is not the user's business: a missing browser shows
  // its own message.
  ShellExecuteA(m_dialog.Handle(), "open", quoted.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// ---------------------------------------------------------------------------
// IControlPaneSite
// ---------------------------------------------------------------------------

int CControlPaneDlg::IntParam(int index) const {
  std::int32_t value = 0;
  if (CParam* p = m_dialog.HueloomCommand().Params().GetByIndex(index)) p->GetInt(&value);
  return value;
}

void CControlPaneDlg::SetIntParam(int index, int value) {
  if (CParam* p = m_dialog.HueloomCommand().Params().GetByIndex(index)) p->SetInt(value);
}

std::string CControlPaneDlg::TextParam(int index) const {
  std::string value;
  if (CParam* p = m_dialog.HueloomCommand().Params().GetByIndex(index)) p->GetText(&value);
  return value;
}

void CControlPaneDlg::SetTextParam(int index, const std::string& value) {
  if (CParam* p = m_dialog.HueloomCommand().Params().GetByIndex(index)) p->SetText(value);
}

bool CControlPaneDlg::RunGoing() const {
  const Hueloom& command = m_dialog.HueloomCommand();
  return m_dialog.Scheduler().Running() || command.IsBusy() || command.IsRunning();
}

void CControlPaneDlg::StopRun() { m_dialog.StopRun(); }

void CControlPaneDlg::RequestRun() { m_dialog.RequestRun(true); }

void CControlPaneDlg::EnableOk(bool enabled) { m_dialog.EnableOk(enabled); }

void CControlPaneDlg::SetFields(int brightness, int color, int fade) {
  const int values[3] = {brightness, color, fade};
  for (int i = 0; i < 3; ++i) m_fields[i].SetValue(values[i], true, false);
}

void CControlPaneDlg::EnableFields(bool enabled) {
  for (CEditNum& field : m_fields) EnableWindow(field.Handle(), enabled);
}

void CControlPaneDlg::CheckMode(PaneMode mode) {
  CheckRadioButton(m_hwnd, IDC_MODE_BRIGHTNESS, IDC_MODE_COLOR, ModeButton(mode));
}

void CControlPaneDlg::SelectDisplay(PaneDisplay display) {
  SendDlgItemMessageA(m_hwnd, IDC_DISPLAY, LB_SETCURSEL, display == PaneDisplay::kOriginal ? 0 : 1, 0);
}

void CControlPaneDlg::EnableDisplay(bool enabled) { EnableWindow(GetDlgItem(m_hwnd, IDC_DISPLAY), enabled); }

bool CControlPaneDlg::ShowResult() { return m_dialog.ShowCommandOutput(); }

void CControlPaneDlg::ShowOriginal() { m_dialog.ShowOriginalImage(); }

bool CControlPaneDlg::ShowTemplatePicture(const std::string& path) {
  const CImageBuffer picture = LoadTemplateBuffer(path);
  if (picture.IsEmpty() || picture.Width() == 0 || picture.Height() == 0) return false;
  RECT client{};
  GetClientRect(m_templateButton.Handle(), &client);
  const Size size = TemplatePictureSize({picture.Width(), picture.Height()}, {client.right, client.bottom});
  if (size.width <= 0 || size.height <= 0) return false;
  CImageBuffer fitted;
  if (fitted.CreateBGR(size.width, size.height).Code() != 0) return false;
  if (CResample(keResampleBilinear).Resample(fitted, picture) != keResampleDone) return false;
  m_templateButton.SetPicture(fitted);
  UiLogLine("template picture " + std::to_string(size.width) + "x" + std::to_string(size.height));
  return true;
}

void CControlPaneDlg::ShowCancelledCaption() {
  m_templateButton.ClearPicture();
  m_templateButton.SetCaption(CControlPaneModel::kCancelledCaption);
  UpdateWindow(m_templateButton.Handle());
}

void CControlPaneDlg::ShowError(const std::string& text) {
  platform::MessageBoxRequest box;
  box.owner = m_hwnd;
  box.text = text;
  box.caption = TINTAVO_PRODUCT_NAME;
  box.icon = platform::MessageBoxIcon::kError;
  platform::ShowMessageBox(box);
}

bool CControlPaneDlg::AskOkCancel(const std::string& text) {
  platform::MessageBoxRequest box;
  box.owner = m_hwnd;
  box.text = text;
  box.caption = TINTAVO_PRODUCT_NAME;
  box.buttons = platform::MessageBoxButtons::kOkCancel;
  box.icon = platform::MessageBoxIcon::kError;
  return platform::ShowMessageBox(box) == platform::kAnswerOk;
}

std::optional<std::string> CControlPaneDlg::BrowseFolder(const std::string& path) {
  char chosen[MAX_PATH] = {};
  BROWSEINFOA info{};
  info.hwndOwner = m_dialog.Handle();
  info.pszDisplayName = chosen;
  info.lpszTitle = "Select the folder of the template pictures";
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
  info.lpfn = &BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(path.c_str());
  UiLogLine("folder browser " + path);
  LPITEMIDLIST list = SHBrowseForFolderA(&info);
  if (list == nullptr) return std::nullopt;
  const bool ok = SHGetPathFromIDListA(list, chosen) != FALSE;
  CoTaskMemFree(list);
  if (!ok || chosen[0] == '\0') return std::nullopt;
  std::string folder = chosen;
  if (folder.back() != '\\') folder += '\\';
  UiLogLine("folder chosen " + folder);
  return folder;
}

void CControlPaneDlg::ScanFolder(const std::string& folder) {
  m_templates.Clear();
  m_templates.ScanFolder(folder, false, true);
}

std::string CControlPaneDlg::TemplatePath(int index) const { return m_templates.Path(index); }

bool CControlPaneDlg::OpenTemplateBrowser(int selected) {
  if (m_popup != nullptr) return true;
  const std::string folder = TextParam(kPanePath).empty() ? "C:\\" : TextParam(kPanePath);
  if (m_folderBar.Handle() == nullptr && !m_folderBar.Create(m_hwnd, m_hwnd, UM_FOLDERCOMMAND)) {
    m_templates.StopWorker();
    return false;
  }
  m_folderBar.SetFolderText("Current Folder: " + folder);
  // Below the hidden anchor control, with a margin of 5 pixels.
  const Rect anchor = ScreenRectOf(GetDlgItem(m_hwnd, IDC_POPUP_ANCHOR));
  CThumbnailPopup::Options options;
  options.caption = "Select template image";
  options.owner = m_hwnd;
  options.source = &m_templates;
  options.viewId = 888;
  options.anchor = {anchor.left - 5, anchor.top - 5, anchor.right + 5, anchor.bottom + 5};
  options.folderBar = &m_folderBar;
  m_popup = CThumbnailPopup::Create(options);
  if (m_popup == nullptr) {
    m_templates.StopWorker();
    return false;
  }
  m_popup->View().SetMultipleSelection(false);
  if (selected >= 0) {
    m_popup->View().Select(selected);
    m_popup->View().EnsureFocusVisible();
  }
  m_popup->Show();
  return true;
}

void CControlPaneDlg::CloseTemplateBrowser() {
  if (m_popup == nullptr) return;
  m_popup->Close();
  m_popup = nullptr;
  // After a folder command the browser opens again where it was.
  CThumbnailPopup::ReopenAtLastPosition();
}

}  // namespace ui::win
