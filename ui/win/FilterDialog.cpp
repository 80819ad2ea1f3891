#include "ui/win/FilterDialog.h"

#include <algorithm>

#include "commands/HueloomParams.h"
#include "ui/DialogIds.h"
#include "ui/UiLog.h"

namespace ui::win {

CFilterDlg::CFilterDlg(Hueloom& command, CHostExchange& exchange)
    : CCommandDlg(IDD_MAIN_DIALOG, kIdProgress, IDR_ACCELERATORS, IDS_TITLE), m_hueloom(command), m_exchange(exchange) {
  SetCommand(&command);
  SetImageSource(&exchange.SourceImage(), &exchange.MaskImage());
}

Size CFilterDlg::WindowSizeForClient(Size client) const {
  RECT r{0, 0, client.width, client.height};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(m_hwnd, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrA(m_hwnd, GWL_EXSTYLE)));
  return {r.right - r.left, r.bottom - r.top};
}

bool CFilterDlg::OnInitDialog() {
  if (!CCommandDlg::OnInitDialog()) return false;
  m_grip.Create(m_hwnd);

  // Every run starts from the host image as read; the command works on the
  // dialog's copy and reports to this window.
  m_sourceCopy.Copy(m_exchange.SourceImage()).RaiseIfError();
  m_hueloom.SetNotifyWindow(m_hwnd);
  m_hueloom.Input().Share(m_sourceCopy).RaiseIfError();
  m_hueloom.Mask().Clear();
  if (m_exchange.MaskInUse()) m_hueloom.Mask().Share(m_exchange.MaskImage()).RaiseIfError();

  if (!PlacePane()) return false;

  // The layout's reference: the controls where the template put them, the
  // pane in its place.
  const Rect client = ClientRect();
  std::map<int, Rect> rectangles;
  for (const Anchor& a : MainDialogAnchors()) {
    if (GetDlgItem(m_hwnd, a.id) != nullptr) rectangles[a.id] = ChildRect(a.id);
  }
  m_layout.TakeReference({client.Width(), client.Height()}, rectangles);

  // The window opens at the requested size, or larger when the content
  // needs more; the needed size is a client size, so the frame is added.
  const Size needed = WindowSizeForClient(m_neededClient);
  m_openedSize = {std::max(m_requestedSize.width, needed.width), std::max(m_requestedSize.height, needed.height)};
  SetWindowPos(m_hwnd, nullptr, 0, 0, m_openedSize.width, m_openedSize.height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // Centred on the work area of the monitor the host is on.
  RECT window{};
  GetWindowRect(m_hwnd, &window);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoA(MonitorFromWindow(GetWindow(m_hwnd, GW_OWNER) != nullptr ? GetWindow(m_hwnd, GW_OWNER) : m_hwnd,
                                    MONITOR_DEFAULTTONEAREST),
                  &monitor);
  const RECT& work = monitor.rcWork;
  SetWindowPos(m_hwnd, nullptr, std::max<int>(work.left, (work.left + work.right - m_openedSize.width) / 2),
               std::max<int>(work.top, (work.top + work.bottom - m_openedSize.height) / 2), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  EnableWindow(GetDlgItem(m_hwnd, IDOK), FALSE);
  ShowWindow(m_pane->Handle(), SW_SHOW);
  if (View() != nullptr) {
    View()->onRunRequest = [this] { RequestRun(false); };
    HWND pane = m_pane->Handle();
    View()->onToolChanged = [pane](int) { SendMessageA(pane, UM_TOOLCHANGED, 0, 0); };
  }
  if (View() != nullptr) View()->ZoomToFit();
  LogControls();
  return true;
}

CFilterDlg::~CFilterDlg() = default;

bool CFilterDlg::PlacePane() {
  // The pane is made hidden; the placeholder gives its place.
  m_pane = std::make_unique<CControlPaneDlg>(*this);
  if (!m_pane->Create(m_hwnd)) return false;
  const Rect place = ChildRect(kIdPanePlace);
  const Rect client = ClientRect();
  int top = place.top;
  if (m_presetRow) {
    if (!m_presetRowControls.Create(m_hwnd, m_hueloom, [this] {
          m_pane->OnPresetLoaded();
          RequestRun(false);
        })) {
      return false;
    }
  } else {
    // Hidden, the row leaves its place to the pane.
    top = ChildRect(kIdPresetLabel).top;
    for (int id : {kIdPresetLabel, kIdPresetList, kIdPresetSave, kIdPresetDelete}) {
      ShowWindow(GetDlgItem(m_hwnd, id), SW_HIDE);
    }
  }
  DestroyWindow(GetDlgItem(m_hwnd, kIdPanePlace));
  SetWindowLongPtrA(m_pane->Handle(), GWLP_ID, kIdPanePlace);
  RECT own{};
  GetClientRect(m_pane->Handle(), &own);
  const int width = std::max(place.Width(), static_cast<int>(own.right));
  const int height = std::max(place.bottom - top, static_cast<int>(own.bottom));
  SetWindowPos(m_pane->Handle(), nullptr, place.left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  // The client size the content needs: the pane with the margins the
  // placeholder had.
  m_neededClient = {std::max(client.Width(), place.left + width + (client.right - place.right)),
                    std::max(client.Height(), top + height + (client.bottom - place.bottom))};
  return true;
}

void CFilterDlg::EnableOk(bool enabled) { EnableWindow(GetDlgItem(m_hwnd, IDOK), enabled); }

void CFilterDlg::ShowCopyOf(const CImageBuffer& picture) {
  // A copy of a 12-megapixel result into fresh memory costs more than the
  // run's own passes; the dialog's own earlier copy takes it instead.
  if (m_showsOwnCopy) {
    m_exchange.SourceImage().CopyReusingStorage(picture).RaiseIfError();
    return;
  }
  m_exchange.SourceImage().Clear();
  m_exchange.SourceImage().Copy(picture).RaiseIfError();
  m_showsOwnCopy = true;
}

bool CFilterDlg::ShowCommandOutput() {
  if (m_hueloom.Output().IsEmpty()) return false;
  ShowCopyOf(m_hueloom.Output());
  if (View() != nullptr) View()->ImageChanged();
  UiLogLine("display result");
  return true;
}

void CFilterDlg::ShowOriginalImage() {
  ShowCopyOf(m_sourceCopy);
  if (View() != nullptr) View()->ImageChanged();
  UiLogLine("display original");
}

void CFilterDlg::SetHintText(const std::string& text) {
  SetDlgItemTextA(m_hwnd, kIdHintText, text.c_str());
  UiLogLine("hint " + text);
}

void CFilterDlg::Arrange(int clientWidth, int clientHeight) {
  m_grip.Place(clientWidth, clientHeight, IsZoomed(m_hwnd) != 0);
  const std::map<int, Rect> placed = m_layout.Arrange({clientWidth, clientHeight});
  for (const auto& [id, rect] : placed) {
    HWND control = GetDlgItem(m_hwnd, id);
    if (control == nullptr) continue;
    MoveWindow(control, rect.left, rect.top, rect.Width(), rect.Height(), FALSE);
  }
  // The moved controls and what they uncovered are painted again.
  RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  LogControls();
}

void CFilterDlg::LogControls() {
  if (!UiLogEnabled()) return;
  for (int id : {kIdPreview, kIdToolBar, kIdZoomText, kIdProgress, kIdHintText, kIdOk, kIdCancel, kIdHelp,
                 kIdPanePlace}) {
    HWND control = GetDlgItem(m_hwnd, id);
    if (control != nullptr) UiLogControl(id, ScreenRectOf(control));
  }
  UiLogControl(0, ScreenRectOf(m_hwnd));
  if (m_pane != nullptr) m_pane->LogControls();
}

bool CFilterDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_DRAWITEM:
      if (!m_presetRowControls.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return false;
      *result = TRUE;
      return true;
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED && m_layout.Reference().width > 0) Arrange(LOWORD(lParam), HIWORD(lParam));
      *result = 0;
      return true;
    case WM_GETMINMAXINFO: {
      if (m_layout.Reference().width == 0) return false;
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      const Size minimum = CDialogLayout::MinimumTrackSize(WindowSizeForClient(m_layout.Reference()), m_openedSize);
      info->ptMinTrackSize.x = minimum.width;
      info->ptMinTrackSize.y = minimum.height;
      *result = 0;
      return true;
    }
    default:
      return CCommandDlg::OnMessage(message, wParam, lParam, result);
  }
}

bool CFilterDlg::OnDialogCommand(int id, int code, HWND control) {
  if (id == IDOK) {
    // OK is enabled only while a finished result is shown.
    if (!IsWindowEnabled(GetDlgItem(m_hwnd, IDOK)) || Scheduler().Running()) return true;
    FlushProgress();
    UiLogLine("end ok");
    EndDialog(IDOK);
    return true;
  }
  if (id == kIdHelp) {
    if (m_pane != nullptr) m_pane->ShowHelp();
    return true;
  }
  if (m_presetRow && m_presetRowControls.OnCommand(id, code)) return true;
  return CCommandDlg::OnDialogCommand(id, code, control);
}

void CFilterDlg::OnRunStarting() { EnableWindow(GetDlgItem(m_hwnd, IDOK), FALSE); }

bool CFilterDlg::CanStartRun() const { return !m_hueloom.TextParam(keParamFilename).empty(); }

std::string CFilterDlg::RunDescription() const {
  return "brightness=" + std::to_string(m_hueloom.IntParam(keParamRadius)) +
         " color=" + std::to_string(m_hueloom.IntParam(keParamColor)) +
         " fade=" + std::to_string(m_hueloom.IntParam(keParamBlend)) +
         " mode=" + std::to_string(m_hueloom.IntParam(keParamAlternativeMode)) +
         " template=" + m_hueloom.TextParam(keParamFilename);
}

void CFilterDlg::OnRunFinished() {
  // The result becomes the image shown and written back on OK.
  ShowCopyOf(m_hueloom.Output());
  m_exchange.OriginalImage().Share(m_sourceCopy).RaiseIfError();
  if (View() != nullptr) View()->ImageChanged();
  if (m_pane != nullptr) m_pane->OnResultReady();
}

void CFilterDlg::OnRunFailed(const std::vector<std::string>& messages) {
  if (m_pane != nullptr) m_pane->OnRunFailed();
  // What the run would have shown from its worker, shown here, over the
  // dialog.
  for (const std::string& text : messages) ReportWindowError(m_hwnd, text);
}

}  // namespace ui::win
