#pragma once
// The main dialog's preset row: the "Presets:" drop-down list and the save
// and delete picture buttons.  The list and what its entries do are the
// portable CPresetRowModel's; this object fills the list, forwards the
// choice and the buttons, and asks the questions with real windows (the
// "Save Style" dialog, message boxes).

#include <functional>
#include <memory>

#include "ui/PresetRowModel.h"
#include "ui/win/ImageButton.h"

class GenericCommand;

namespace ui::win {

class CPresetRow : private IPresetRowSite {
 public:
  CPresetRow() = default;
  CPresetRow(const CPresetRow&) = delete;
  CPresetRow& operator=(const CPresetRow&) = delete;

  // Takes over the row's controls in `dialog`; `loaded` runs after a preset
  // (or "Default") has been loaded into the command's parameters.
  bool Create(HWND dialog, GenericCommand& command, std::function<void()> loaded);
  // The list again, the current preset selected.
  void Fill();
  // WM_COMMAND of the row's controls; false for other controls.
  bool OnCommand(int id, int code);
  // WM_DRAWITEM of the two buttons; false for other controls.
  bool Draw(const DRAWITEMSTRUCT& item);

 private:
  CParamSet& Params() override;
  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  std::optional<std::string> AskName(const std::string& name) override;
  void PresetLoaded() override;

  HWND m_dialog = nullptr;
  GenericCommand* m_command = nullptr;
  std::function<void()> m_loaded;
  std::unique_ptr<CPresetRowModel> m_model;
  CImageButton m_save;
  CImageButton m_delete;
};

}  // namespace ui::win
