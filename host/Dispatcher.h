#pragma once
// Turns a host selector into a call of the application's handler.

#include <cstdint>

#include "host/FilterApp.h"

// Selectors 0-5 call OnAbout ... OnFinish and store the handler's answer in
// *result: 0, or -128 for anything else a handler answered; any other
// selector calls nothing and leaves *result as it was.  No exception crosses
// into the host: one that escapes a handler answers -128.
void DispatchSelector(CFilterApp& app, int16 selector, FilterRecord* record, std::intptr_t* data,
                      int16* result);
