#pragma once
// The control pane's decisions, without a window.
//
// The pane holds the user's settings: three numeric fields (Brightness,
// Color intensity, Fade), the mode, the template and the choice between
// showing the result and the original.  It polls its fields every 50 ms and
// turns a difference from the command's parameters into new parameters and
// one run request; mode clicks, the display choice, a chosen template and
// the folder commands change parameters and the dialog's state as the
// functions below say.  The Win32 pane (ui/win/ControlPane) forwards every
// event here and carries out what the model asks through IControlPaneSite,
// so the whole behaviour is tested with a fake site.
//
// Where the pane departs from the obvious reading, it is on purpose:
// - a mode change or a chosen template zeroes all three settings at once,
//   so the next poll (which sees the fields at 0) asks for no second run;
// - "Result" chosen while a run is going is ignored: the output buffer is
//   the worker's until the run ends;
// - the loop that asks for another folder when one holds no picture ends
//   when the folder browser is cancelled;
// - a template path that is empty (no template ever chosen) shows no
//   message.

#include <optional>
#include <string>

namespace ui {

enum class PaneMode : int { kNormal = 0, kOnlyBrightness = 1, kOnlyColor = 2 };
enum class PaneDisplay : int { kOriginal = 0, kResult = 1 };
enum class FolderCommand : int { kChangeFolder = 1, kDefaultFolder = 2 };

// The parameters the pane reads and writes (the command's indexes).
enum PaneParam : int {
  kPaneBrightness = 0,
  kPaneColor = 1,
  kPaneFade = 2,
  kPaneFilename = 3,
  kPanePath = 4,
  kPaneMode = 5,
  kPaneImageSelected = 6,
};

// What the pane does to the world around it.
class IControlPaneSite {
 public:
  virtual ~IControlPaneSite() = default;

  // The command's parameters.
  virtual int IntParam(int index) const = 0;
  virtual void SetIntParam(int index, int value) = 0;
  virtual std::string TextParam(int index) const = 0;
  virtual void SetTextParam(int index, const std::string& value) = 0;

  // The command's run.
  virtual bool RunGoing() const = 0;
  // Stops the run (waiting for its worker) and resets the progress bar.
  virtual void StopRun() = 0;
  // A delayed run request to the main dialog.
  virtual void RequestRun() = 0;

  // The main dialog's OK button.
  virtual void EnableOk(bool enabled) = 0;
  // The three fields: set silently (the change is not reported), enabled.
  virtual void SetFields(int brightness, int color, int fade) = 0;
  virtual void EnableFields(bool enabled) = 0;
  // The mode buttons: exactly one checked.
  virtual void CheckMode(PaneMode mode) = 0;
  // The display list and what the preview shows.
  virtual void SelectDisplay(PaneDisplay display) = 0;
  virtual void EnableDisplay(bool enabled) = 0;
  // The preview shows a copy of the command's output (false when it holds
  // no pixels: nothing changes), or of the original.
  virtual bool ShowResult() = 0;
  virtual void ShowOriginal() = 0;

  // The template button: the picture of a file (false when it cannot be
  // decoded: the picture stays), the caption of a cancelled run, a message.
  virtual bool ShowTemplatePicture(const std::string& path) = 0;
  virtual void ShowCancelledCaption() = 0;
  // "Unknown file extension" and the like: a message with the stop icon.
  virtual void ShowError(const std::string& text) = 0;
  // A question with OK and Cancel (stop icon): true for OK.
  virtual bool AskOkCancel(const std::string& text) = 0;

  // The folder browser on `path`: the chosen folder, or none when cancelled.
  virtual std::optional<std::string> BrowseFolder(const std::string& path) = 0;
  // The template list: scan a folder (without subfolders), its count and
  // the path of an item ("" when none).
  virtual void ScanFolder(const std::string& folder) = 0;
  virtual int TemplateCount() const = 0;
  virtual std::string TemplatePath(int index) const = 0;
  // Opens the template browser on the list, the item `selected` chosen (-1:
  // none); true when it stays open (its choice arrives through
  // OnTemplateChosen), false when it could not be opened or has already
  // ended.
  virtual bool OpenTemplateBrowser(int selected) = 0;
  // Closes an open browser.
  virtual void CloseTemplateBrowser() = 0;
};

class CControlPaneModel {
 public:
  static constexpr const char* kDefaultFolder = "C:\\";
  static constexpr const char* kCancelledCaption = "...Cancelled...\nSelect Template image";

  explicit CControlPaneModel(IControlPaneSite& site) : m_site(site) {}

  // The pane opens: settings at 0 (fields disabled), OK off, "Original"
  // shown and the list disabled, "Normal Mode", the stored template's
  // picture.  No run.
  void Open();

  // Timer 1: the fields' current values.
  void Poll(int brightness, int color, int fade);

  // A mode button was clicked.
  void OnModeClicked(PaneMode mode);
  // The display list's choice.
  void OnDisplayChosen(PaneDisplay display);
  // The main dialog's run finished.
  void OnResultReady();

  // A preset was loaded into the parameters: the fields and the mode
  // buttons follow them silently, so the next poll finds nothing changed
  // and keeps the preset's values.
  void OnPresetLoaded();

  // "Select Template" was clicked.
  void OnSelectTemplate();
  // The browser ended with item `index` chosen.
  void OnTemplateChosen(int index);
  // The browser ended without a choice.
  void OnBrowserClosed() { m_browserOpen = false; }
  // A folder-bar command.
  void OnFolderCommand(FolderCommand command);
  // The browser's folder choice: `folder` becomes the template folder
  // (when it differs, the first picture is remembered) and is scanned, with
  // the empty-folder loop.  False when there is no picture to choose.
  bool UseFolder(const std::string& folder);

  // The hint for the preview's tool (32776 zoom, 32778 pan); none for
  // other tools (the hint stays as it is).
  static std::optional<std::string> ToolHint(int tool);

  PaneMode CheckedMode() const { return m_mode; }
  bool NoTemplateChosenYet() const { return m_noTemplateYet; }
  bool BrowserOpen() const { return m_browserOpen; }
  int RememberedIndex() const { return m_rememberedIndex; }

 private:
  std::string CurrentFolder() const;
  // Scans the folder when it must be; while it holds no picture, asks for
  // another.  False when the user gave up.
  bool FolderWithPictures();
  void ShowTemplate(const std::string& path);
  // All three settings and fields to 0, the list (and the fields) off,
  // one run.
  void ZeroAndRun(bool disableFields);

  IControlPaneSite& m_site;
  PaneMode m_mode = PaneMode::kNormal;
  PaneDisplay m_display = PaneDisplay::kOriginal;
  bool m_hasResult = false;
  bool m_noTemplateYet = true;
  bool m_folderMustBeScanned = true;
  bool m_browserOpen = false;
  bool m_inFolderCommand = false;
  int m_rememberedIndex = -1;
};

}  // namespace ui
