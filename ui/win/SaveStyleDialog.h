#pragma once
// Dialog 102, "Save Style": the name a preset is saved under.

#include <string>

#include "ui/win/ModalDialog.h"

namespace ui::win {

class CSaveStyleDlg : public CModalDialog {
 public:
  static constexpr int kTemplate = 102;

  explicit CSaveStyleDlg(std::string name) : CModalDialog(kTemplate), m_name(std::move(name)) {}
  // The name as typed (after OK).
  const std::string& Name() const { return m_name; }

 protected:
  bool OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  std::string m_name;
};

}  // namespace ui::win
