#include "host/ExchangeRun.h"

#include "commands/RunAndWait.h"
#include "platform/MessageBox.h"
#include "resources/ProductInfo.h"

bool RunOnExchange(CHostExchange& exchange, Hueloom& command, const std::function<void(int)>& onProgress,
                   std::string* error) {
  // The run reports refusals (no extension, an unreadable template) with an
  // error box and leaves its output as a copy of the input: such a run counts
  // as failed here.
  platform::MessageBoxErrorWatch errors;
  command.Input().Copy(exchange.SourceImage()).RaiseIfError();
  command.Mask().Clear();
  if (exchange.MaskInUse()) command.Mask().Copy(exchange.MaskImage()).RaiseIfError();
  const bool done = StartAndWait(command, onProgress);
  if (!done || errors.ErrorCount() != 0) {
    *error = errors.ErrorCount() != 0 ? errors.LastError() : std::string("the run was stopped or failed");
    return false;
  }
  exchange.SourceImage() = std::move(command.Output());
  return true;
}

bool RunWithStoredSettings(CHostExchange& exchange) {
  Hueloom command;  // with the stored settings
  if (command.TextParam(keParamFilename).empty()) {
    platform::ShowMessage("No template picture has been chosen yet.", TINTAVO_PRODUCT_NAME,
                          platform::MessageBoxIcon::kError);
    return false;
  }
  std::string error;
  return RunOnExchange(exchange, command, {}, &error);
}
