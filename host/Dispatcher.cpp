#include "host/Dispatcher.h"

void DispatchSelector(CFilterApp& app, int16 selector, FilterRecord* record, std::intptr_t* data,
                      int16* result) {
  if (selector < filterSelectorAbout || selector > filterSelectorFinish) return;
  int16 answer = userCanceledErr;
  try {
    switch (selector) {
      case filterSelectorAbout:
        answer = app.OnAbout(record, data);
        break;
      case filterSelectorParameters:
        if (record != nullptr) answer = app.OnParameters(record, data);
        break;
      case filterSelectorPrepare:
        if (record != nullptr) answer = app.OnPrepare(record, data);
        break;
      case filterSelectorStart:
        if (record != nullptr) answer = app.OnStart(record, data);
        break;
      case filterSelectorContinue:
        if (record != nullptr) answer = app.OnContinue(record, data);
        break;
      case filterSelectorFinish:
        if (record != nullptr) answer = app.OnFinish(record, data);
        break;
      default:
        return;
    }
  } catch (...) {
    answer = userCanceledErr;
  }
  // The host hears 0 or -128, nothing else, whatever a handler answered.
  if (answer != noErr) answer = userCanceledErr;
  if (result != nullptr) *result = answer;
}
