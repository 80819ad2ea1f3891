#pragma once
// The main dialog of the plug-in: the preview, the control pane's place, the
// progress bar, OK, Cancel and Help, and the preset row (hidden in the
// plug-in).  It runs the Hueloom command on its own copy of the host's
// source image; each finished result replaces the exchange's source image,
// which the preview shows and OK writes back.

#include <map>
#include <memory>

#include "commands/Hueloom.h"
#include "host/HostExchange.h"
#include "ui/DialogLayout.h"
#include "ui/win/CommandDialog.h"
#include "ui/win/ControlPane.h"
#include "ui/win/PresetRow.h"
#include "ui/win/SizeGrip.h"

namespace ui::win {

class CFilterDlg : public CCommandDlg {
 public:
  CFilterDlg(Hueloom& command, CHostExchange& exchange);

  ~CFilterDlg() override;

  void SetRequestedSize(Size size) { m_requestedSize = size; }
  void SetPresetRow(bool shown) { m_presetRow = shown; }

  // For the control pane.
  Hueloom& HueloomCommand() const { return m_hueloom; }
  void EnableOk(bool enabled);
  // The preview shows a copy of the command's output (false, and nothing
  // changes, while it holds no pixels), or of the host image as read.
  bool ShowCommandOutput();
  void ShowOriginalImage();
  // `picture` becomes the image shown and written back on OK.
  void ShowCopyOf(const CImageBuffer& picture);
  void SetHintText(const std::string& text);

 protected:
  bool OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  bool OnDialogCommand(int id, int code, HWND control) override;
  void OnRunFinished() override;
  void OnRunFailed(const std::vector<std::string>& messages) override;
  void OnRunStarting() override;
  bool CanStartRun() const override;
  std::string RunDescription() const override;

 private:
  bool PlacePane();
  void Arrange(int clientWidth, int clientHeight);
  void LogControls();
  Size WindowSizeForClient(Size client) const;

  Hueloom& m_hueloom;
  CHostExchange& m_exchange;
  CImageBuffer m_sourceCopy;  // the host image as read: every run starts here
  // Whether the exchange's image is a copy the dialog made (not the host's
  // as handed over): later copies may then go into its storage.
  bool m_showsOwnCopy = false;
  bool m_presetRow = true;
  Size m_requestedSize{800, 600};
  Size m_openedSize;
  CDialogLayout m_layout{MainDialogAnchors()};
  CResizeGrip m_grip;
  std::unique_ptr<CControlPaneDlg> m_pane;
  CPresetRow m_presetRowControls;
  Size m_neededClient;
};

}  // namespace ui::win
