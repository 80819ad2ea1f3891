#pragma once
// The Hueloom command as the tool runs it: the plug-in's command, whose run
// takes a template picture the tool has decoded (once for a whole batch,
// turned upright, recognised by its content whatever its name) instead of
// decoding the file named by "Filename" each time.  A matrix file ("img")
// is still the command's own business.
//
// The run's message boxes are kept, not shown (a batch runs several
// commands at once): the tool reports them once, naming the file.  The
// engine's check of the result's mean colour - a beep in the plug-in - is
// kept as a flag the tool turns into a note.

#include <string>

#include "commands/Hueloom.h"
#include "image/ImageBuffer.h"
#include "transfer/ColorTransfer.h"

class ToolCommand : public Hueloom {
 public:
  ToolCommand();

  // The decoded template (keFormatBGR), shared, and the figures taken of
  // it (used when they serve the run's mode; they must outlive the runs);
  // an empty buffer leaves the decoding to the command (a matrix file).
  void SetTemplatePicture(const CImageBuffer& picture, const TemplateFigures* figures = nullptr);
  // Threads of the engine (0: every core).
  void SetEngineThreads(int threads) { m_engine.SetThreads(threads); }

  int Run(CCommandJob& job) override;

  // Whether the last run's mean colour strayed from the template's.
  bool MeanColourStrayed() const { return m_strayed; }

  // Routes the engine's beeps to the run that made them; installed once by
  // the tool's main.
  static void InstallBeepCatcher();

 private:
  CImageBuffer m_templatePicture;
  const TemplateFigures* m_templateFigures = nullptr;
  CColorTransfer m_engine;
  bool m_strayed = false;
};
