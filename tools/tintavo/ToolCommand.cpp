#include "tools/tintavo/ToolCommand.h"

#include "platform/Beep.h"

namespace {

// Beeps of the runs on this thread: the engine beeps on the thread that
// called it.
thread_local int t_beeps = 0;

void CatchBeep() { ++t_beeps; }

}  // namespace

ToolCommand::ToolCommand() : Hueloom(false) { SetRecordRunMessages(true); }

void ToolCommand::SetTemplatePicture(const CImageBuffer& picture, const TemplateFigures* figures) {
  m_templateFigures = figures;
  m_templatePicture.Clear();
  if (!picture.IsEmpty()) m_templatePicture.Share(picture).RaiseIfError();
}

int ToolCommand::Run(CCommandJob& job) {
  m_strayed = false;
  if (m_templatePicture.IsEmpty()) return Hueloom::Run(job);
  const int before = t_beeps;
  const int brightness = IntParam(keParamRadius), colour = IntParam(keParamColor), fade = IntParam(keParamBlend);
  const int mode = IntParam(keParamAlternativeMode);
  const int result =
      m_templateFigures != nullptr && m_templateFigures->Serve(mode)
          ? m_engine.Apply(*job.progress, *job.output, *job.input, *m_templateFigures, brightness, colour, fade, mode)
          : m_engine.Apply(*job.progress, *job.output, *job.input, m_templatePicture, brightness, colour, fade, mode);
  m_strayed = t_beeps != before;
  return result;
}

void ToolCommand::InstallBeepCatcher() { platform::SetBeepHandler(&CatchBeep); }
