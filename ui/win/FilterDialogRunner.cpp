#include "ui/FilterDialogRunner.h"

#include <cstdlib>
#include <memory>

#include "host/ExchangeRun.h"
#include "host/HostExchange.h"
#include "ui/win/FilterDialog.h"

bool RunFilterDialog(CHostExchange& exchange) {
  const char* headless = std::getenv("TINTAVO_HEADLESS");
  if (headless != nullptr && *headless != '\0') return RunWithStoredSettings(exchange);

  HWND owner = nullptr;
  if (exchange.Record() != nullptr && exchange.Record()->platformData != nullptr) {
    owner = reinterpret_cast<HWND>(exchange.Record()->platformData->hwnd);
    if (owner != nullptr && !IsWindow(owner)) owner = nullptr;
  }
  // Built, the command loads the stored settings; destroyed first (before the
  // dialog), it saves them whichever way the dialog ended.
  auto command = std::make_unique<Hueloom>();
  command->SetRecordRunMessages(true);
  auto dialog = std::make_unique<ui::win::CFilterDlg>(*command, exchange);
  dialog->SetRequestedSize({800, 600});
  dialog->SetPresetRow(false);
  const INT_PTR answer = dialog->DoModal(owner);
  command->Stop();
  command.reset();
  dialog.reset();
  return answer == IDOK;
}
