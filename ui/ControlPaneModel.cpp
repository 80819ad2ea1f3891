#include "ui/ControlPaneModel.h"

namespace ui {
namespace {

constexpr int kToolZoom = 32776;
constexpr int kToolPan = 32778;

std::string NoImagesText(const std::string& folder) {
  return "NO images at folder " + folder + "\nPlease select another folder.";
}

// The text after the last "." of the file name; "" when the name has none.
std::string ExtensionOf(const std::string& path) {
  const std::size_t dot = path.find_last_of('.');
  const std::size_t slash = path.find_last_of("\\/");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
  return path.substr(dot + 1);
}

}  // namespace

std::string CControlPaneModel::CurrentFolder() const {
  const std::string path = m_site.TextParam(kPanePath);
  return path.empty() ? std::string(kDefaultFolder) : path;
}

void CControlPaneModel::Open() {
  for (int index : {kPaneBrightness, kPaneColor, kPaneFade}) m_site.SetIntParam(index, 0);
  m_site.SetFields(0, 0, 0);
  m_site.EnableFields(false);
  m_site.EnableOk(false);
  m_site.SetIntParam(kPaneMode, 0);
  m_rememberedIndex = m_site.IntParam(kPaneImageSelected);
  m_mode = PaneMode::kNormal;
  m_site.CheckMode(m_mode);
  m_display = PaneDisplay::kOriginal;
  m_site.SelectDisplay(m_display);
  m_site.EnableDisplay(false);
  ShowTemplate(m_site.TextParam(kPaneFilename));
}

void CControlPaneModel::Poll(int brightness, int color, int fade) {
  if (brightness == m_site.IntParam(kPaneBrightness) && color == m_site.IntParam(kPaneColor) &&
      fade == m_site.IntParam(kPaneFade)) {
    return;
  }
  m_site.EnableOk(false);
  m_site.EnableDisplay(false);
  m_site.SetIntParam(kPaneMode, static_cast<int>(m_mode));
  m_site.SetIntParam(kPaneBrightness, brightness);
  m_site.SetIntParam(kPaneColor, color);
  m_site.SetIntParam(kPaneFade, fade);
  m_site.RequestRun();
}

void CControlPaneModel::ZeroAndRun(bool disableFields) {
  // All three at once: the next poll reads the fields at 0 and finds
  // nothing to change.
  for (int index : {kPaneBrightness, kPaneColor, kPaneFade}) m_site.SetIntParam(index, 0);
  m_site.SetFields(0, 0, 0);
  if (disableFields) m_site.EnableFields(false);
  m_site.EnableDisplay(false);
  m_site.RequestRun();
  m_site.EnableOk(false);
}

void CControlPaneModel::OnModeClicked(PaneMode mode) {
  if (m_site.RunGoing()) m_site.StopRun();
  m_mode = mode;
  m_site.CheckMode(mode);
  m_site.SetIntParam(kPaneMode, static_cast<int>(mode));
  if (m_noTemplateYet) return;
  ZeroAndRun(true);
}

void CControlPaneModel::OnDisplayChosen(PaneDisplay display) {
  if (display == PaneDisplay::kResult) {
    // The output is the worker's until its run ends.
    if (m_site.RunGoing() || !m_site.ShowResult()) {
      m_site.SelectDisplay(m_display);
      return;
    }
    m_display = display;
    m_site.EnableOk(true);
    return;
  }
  m_display = display;
  m_site.ShowOriginal();
  m_site.EnableOk(false);
}

void CControlPaneModel::OnResultReady() {
  m_hasResult = true;
  m_site.EnableFields(true);
  m_display = PaneDisplay::kResult;
  m_site.SelectDisplay(m_display);
  m_site.EnableOk(true);
  m_site.EnableDisplay(true);
}

void CControlPaneModel::OnPresetLoaded() {
  m_site.SetFields(m_site.IntParam(kPaneBrightness), m_site.IntParam(kPaneColor), m_site.IntParam(kPaneFade));
  const int mode = m_site.IntParam(kPaneMode);
  m_mode = mode >= 0 && mode <= 2 ? static_cast<PaneMode>(mode) : PaneMode::kNormal;
  m_site.CheckMode(m_mode);
}

void CControlPaneModel::OnSelectTemplate() {
  if (m_browserOpen) return;
  if (m_site.RunGoing()) {
    m_site.StopRun();
    // What is shown now stays: OK and the list come back when it is a
    // result.
    m_site.EnableOk(m_hasResult && m_display == PaneDisplay::kResult);
    m_site.EnableDisplay(m_hasResult);
    m_site.EnableFields(true);
    m_site.ShowCancelledCaption();
  }
  m_site.SetIntParam(kPaneMode, static_cast<int>(m_mode));
  if (!FolderWithPictures()) return;
  m_browserOpen = m_site.OpenTemplateBrowser(m_rememberedIndex);
}

bool CControlPaneModel::FolderWithPictures() {
  for (;;) {
    const std::string folder = CurrentFolder();
    if (m_folderMustBeScanned) {
      m_site.ScanFolder(folder);
      m_folderMustBeScanned = false;
    }
    if (m_site.TemplateCount() > 0) return true;
    if (!m_site.AskOkCancel(NoImagesText(folder))) return false;
    const std::optional<std::string> chosen = m_site.BrowseFolder(folder);
    // A cancelled browser ends the search, as Cancel in the question does.
    if (!chosen) return false;
    m_site.SetTextParam(kPanePath, *chosen);
    m_folderMustBeScanned = true;
  }
}

bool CControlPaneModel::UseFolder(const std::string& folder) {
  if (folder != m_site.TextParam(kPanePath)) {
    m_site.SetTextParam(kPanePath, folder);
    m_rememberedIndex = 0;
    m_site.SetIntParam(kPaneImageSelected, 0);
  }
  m_folderMustBeScanned = true;
  return FolderWithPictures();
}

void CControlPaneModel::OnTemplateChosen(int index) {
  m_noTemplateYet = false;
  m_browserOpen = false;
  m_rememberedIndex = index;
  m_site.SetIntParam(kPaneImageSelected, index);
  m_mode = PaneMode::kNormal;
  m_site.CheckMode(m_mode);
  m_site.SetIntParam(kPaneMode, 0);
  const std::string path = m_site.TemplatePath(index);
  if (path.empty()) return;
  m_site.SetTextParam(kPaneFilename, path);
  ZeroAndRun(false);
  ShowTemplate(path);
}

void CControlPaneModel::OnFolderCommand(FolderCommand command) {
  // A command that arrives while one is handled (its folder browser runs a
  // message loop) is dropped.
  if (m_inFolderCommand) return;
  m_inFolderCommand = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{m_inFolderCommand};

  const std::string current = m_site.TextParam(kPanePath);
  std::string next = kDefaultFolder;
  if (command == FolderCommand::kChangeFolder) {
    const std::optional<std::string> chosen = m_site.BrowseFolder(current.empty() ? kDefaultFolder : current);
    next = chosen ? *chosen : current;
  }
  if (!next.empty() && next != current) {
    m_site.SetTextParam(kPanePath, next);
    m_rememberedIndex = 0;
    m_site.SetIntParam(kPaneImageSelected, 0);
  }
  m_site.CloseTemplateBrowser();
  m_browserOpen = false;
  m_site.ScanFolder(CurrentFolder());
  m_folderMustBeScanned = false;
  const bool opened = m_site.OpenTemplateBrowser(m_rememberedIndex);
  OnTemplateChosen(m_rememberedIndex);
  m_browserOpen = opened;
}

void CControlPaneModel::ShowTemplate(const std::string& path) {
  // No template was ever chosen: nothing to show, and nothing to say.
  if (path.empty()) return;
  if (ExtensionOf(path).empty()) {
    m_site.ShowError("Unknown file extension");
    return;
  }
  m_site.ShowTemplatePicture(path);
}

std::optional<std::string> CControlPaneModel::ToolHint(int tool) {
  if (tool == kToolZoom) return std::string("Click to zoom in. Right-click to zoom out. Use mouse wheel to zoom.");
  if (tool == kToolPan) return std::string("Click and drag to scroll image in desired direction.");
  return std::nullopt;
}

}  // namespace ui
