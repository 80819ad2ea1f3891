#include "ui/FilterDialogRunner.h"

#include "host/ExchangeRun.h"

bool RunFilterDialog(CHostExchange& exchange) { return RunWithStoredSettings(exchange); }
