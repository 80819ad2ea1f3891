#include "ui/win/PresetRow.h"

#include "commands/GenericCommand.h"
#include "commands/Presets.h"
#include "platform/MessageBox.h"
#include "resources/ProductInfo.h"
#include "resources/ResourceIds.h"
#include "ui/win/SaveStyleDialog.h"
#include "ui/win/Window.h"

namespace ui::win {

bool CPresetRow::Create(HWND dialog, GenericCommand& command, std::function<void()> loaded) {
  m_dialog = dialog;
  m_command = &command;
  m_loaded = std::move(loaded);
  m_model = std::make_unique<CPresetRowModel>(static_cast<IPresetRowSite&>(*this), PresetsFolder());
  if (!m_save.Attach(dialog, IDC_PRESET_SAVE) || !m_delete.Attach(dialog, IDC_PRESET_DELETE)) return false;
  m_save.SetPictureFromResource(IDP_PRESET_SAVE);
  m_delete.SetPictureFromResource(IDP_PRESET_DELETE);
  m_save.SizeToPicture();
  m_delete.SizeToPicture();
  Fill();
  return true;
}

void CPresetRow::Fill() {
  HWND list = GetDlgItem(m_dialog, IDC_PRESET_LIST);
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  const CPresetRowModel::Entries entries = m_model->List();
  for (const std::string& name : entries.names) {
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(entries.selected), 0);
}

bool CPresetRow::OnCommand(int id, int code) {
  if (m_model == nullptr) return false;
  switch (id) {
    case IDC_PRESET_LIST:
      if (code == CBN_SELCHANGE) {
        HWND list = GetDlgItem(m_dialog, IDC_PRESET_LIST);
        const int index = static_cast<int>(SendMessageA(list, CB_GETCURSEL, 0, 0));
        if (index == CB_ERR) return true;
        char name[512] = {};
        if (SendMessageA(list, CB_GETLBTEXTLEN, index, 0) < static_cast<LRESULT>(sizeof name)) {
          SendMessageA(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(name));
        }
        if (!m_model->Choose(index, name)) Fill();
      }
      return true;
    case IDC_PRESET_SAVE:
      if (code == BN_CLICKED) {
        m_model->Save();
        Fill();
      }
      return true;
    case IDC_PRESET_DELETE:
      if (code == BN_CLICKED) {
        m_model->Delete();
        Fill();
      }
      return true;
    default:
      return false;
  }
}

bool CPresetRow::Draw(const DRAWITEMSTRUCT& item) {
  if (item.hwndItem == m_save.Handle() && m_save.Handle() != nullptr) {
    m_save.Draw(item);
    return true;
  }
  if (item.hwndItem == m_delete.Handle() && m_delete.Handle() != nullptr) {
    m_delete.Draw(item);
    return true;
  }
  return false;
}

CParamSet& CPresetRow::Params() { return m_command->Params(); }

void CPresetRow::ShowMessage(const std::string& text) {
  platform::MessageBoxRequest box;
  box.owner = m_dialog;
  box.text = text;
  box.caption = TINTAVO_PRODUCT_NAME;
  box.icon = platform::MessageBoxIcon::kError;
  platform::ShowMessageBox(box);
}

bool CPresetRow::AskYesNo(const std::string& text) {
  platform::MessageBoxRequest box;
  box.owner = m_dialog;
  box.text = LoadModuleString(IDS_PRESET_EXISTS);
  if (box.text.empty()) box.text = text;
  box.caption = TINTAVO_PRODUCT_NAME;
  box.buttons = platform::MessageBoxButtons::kYesNo;
  box.icon = platform::MessageBoxIcon::kQuestion;
  return platform::ShowMessageBox(box) == platform::kAnswerYes;
}

std::optional<std::string> CPresetRow::AskName(const std::string& name) {
  CSaveStyleDlg dialog(name);
  if (dialog.DoModal(m_dialog) != IDOK) return std::nullopt;
  return dialog.Name();
}

void CPresetRow::PresetLoaded() {
  if (m_loaded) m_loaded();
}

}  // namespace ui::win
