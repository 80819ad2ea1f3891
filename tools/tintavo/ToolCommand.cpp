#include "tools/tintavo/ToolCommand.h"

#include "platform/Beep.h"

namespace {

// Beeps of the runs on this thread: the engine beeps on the thread that
// called it.
thread_local int t_beeps = 0;

void CatchBeep() { ++t_beeps; }

}  // namespace

ToolCommand::ToolCommand() : Hueloom(false) { SetRecordRunMessages(true); }

void ToolCommand::SetTemplatePicture(const CImageBuffer& picture) {
  m_templatePicture.Clear();
  if (!picture.IsEmpty()) m_templatePicture.Share(picture).RaiseIfError();
}

int ToolCommand::Run(CCommandJob& job) {
  m_strayed = false;
  if (m_templatePicture.IsEmpty()) return Hueloom::Run(job);
  const int before = t_beeps;
  const int result =
      m_engine.Apply(*job.progress, *job.output, *job.input, m_templatePicture, IntParam(keParamRadius),
                     IntParam(keParamColor), IntParam(keParamBlend), IntParam(keParamAlternativeMode));
  m_strayed = t_beeps != before;
  return result;
}

void ToolCommand::InstallBeepCatcher() { platform::SetBeepHandler(&CatchBeep); }
