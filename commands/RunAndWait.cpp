#include "commands/RunAndWait.h"

#include "commands/CommandMessages.h"
#include "platform/MessageQueue.h"

bool StartAndWait(GenericCommand& command, const std::function<void(int)>& onProgress) {
  platform::MessageQueue queue;
  const platform::WindowHandle previous = command.NotifyWindow();
  command.SetNotifyWindow(queue.Handle());
  CStatus started = command.Start();
  if (started.IsError()) {
    command.SetNotifyWindow(previous);
    started.RaiseIfError();
  }
  platform::WindowMessage message;
  for (;;) {
    queue.Wait(UM_PROGRESS, UM_RUNFAILED, &message);
    if (message.id == UM_PROGRESS) {
      if (onProgress) onProgress(static_cast<int>(message.lParam));
      continue;
    }
    if (message.id == UM_RUNDONE || message.id == UM_RUNFAILED) break;
  }
  command.Stop();
  command.SetNotifyWindow(previous);
  return message.id == UM_RUNDONE;
}
