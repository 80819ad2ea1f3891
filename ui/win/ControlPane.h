#pragma once
// CControlPaneDlg: the control pane at the right of the main dialog (dialog
// template 3011): the Brightness, Color intensity and Fade fields, the mode
// buttons, the "Display:" list, the "Select Template" button showing the
// current template, and the help page.
//
// Every decision is the portable CControlPaneModel's; this window forwards
// the events (the 50 ms poll of timer 1, clicks, the list's choice, the
// folder bar's and the browser's messages) and carries out what the model
// asks through IControlPaneSite.

#include <memory>
#include <string>
#include <vector>

#include "ui/ControlPaneModel.h"
#include "ui/ThumbnailList.h"
#include "ui/win/ChildDialog.h"
#include "ui/win/EditNum.h"
#include "ui/win/FolderBar.h"
#include "ui/win/ImageButton.h"

namespace ui::win {

class CFilterDlg;
class CThumbnailPopup;

// The pane's private messages (values fixed).
constexpr UINT UM_TOOLCHANGED = WM_USER + 1;    // 1025, from the preview view
constexpr UINT UM_FOLDERCOMMAND = WM_USER + 7;  // 1031, from the folder bar: lParam 1 change, 2 default

class CControlPaneDlg : public CChildDialog, private IControlPaneSite {
 public:
  static constexpr int kTemplate = 3011;
  static constexpr UINT_PTR kPollTimer = 1;
  static constexpr int kPollMilliseconds = 50;

  explicit CControlPaneDlg(CFilterDlg& dialog);
  ~CControlPaneDlg() override;

  // Called by the main dialog.
  void OnResultReady() { m_model.OnResultReady(); }
  void OnRunFailed() {}
  void ShowHelp();
  void OnPresetLoaded() { m_model.OnPresetLoaded(); }
  // The test log's "control ID X Y W H" lines of the pane's controls.
  void LogControls();

 protected:
  bool OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void Poll();
  bool OnCommand(int id, int code);

  // IControlPaneSite
  int IntParam(int index) const override;
  void SetIntParam(int index, int value) override;
  std::string TextParam(int index) const override;
  void SetTextParam(int index, const std::string& value) override;
  bool RunGoing() const override;
  void StopRun() override;
  void RequestRun() override;
  void EnableOk(bool enabled) override;
  void SetFields(int brightness, int color, int fade) override;
  void EnableFields(bool enabled) override;
  void CheckMode(PaneMode mode) override;
  void SelectDisplay(PaneDisplay display) override;
  void EnableDisplay(bool enabled) override;
  bool ShowResult() override;
  void ShowOriginal() override;
  bool ShowTemplatePicture(const std::string& path) override;
  void ShowCancelledCaption() override;
  void ShowError(const std::string& text) override;
  bool AskOkCancel(const std::string& text) override;
  std::optional<std::string> BrowseFolder(const std::string& path) override;
  void ScanFolder(const std::string& folder) override;
  int TemplateCount() const override { return m_templates.Count(); }
  std::string TemplatePath(int index) const override;
  bool OpenTemplateBrowser(int selected) override;
  void CloseTemplateBrowser() override;

  CFilterDlg& m_dialog;
  CControlPaneModel m_model{*this};
  CEditNum m_fields[3];
  CImageButton m_templateButton;
  // The template browser: the folder's pictures with their thumbnails
  // (kept while the dialog is open, so reopening shows them at once), the
  // folder bar lent to each popup, and the open popup (null when none).
  CThumbnailList m_templates;
  CFolderBar m_folderBar;
  CThumbnailPopup* m_popup = nullptr;
  UINT m_endPopupMessage = 0;
  UINT m_popupDestroyingMessage = 0;
};

}  // namespace ui::win
