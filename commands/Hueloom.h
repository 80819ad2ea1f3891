#pragma once
// The Hueloom command: repaints its input in the colours of the template
// picture named by its "Filename" parameter.
//
// Built, its parameters are loaded from the settings store; destroyed, they
// are saved back - whichever way the user left the dialog.

#include <cstdint>
#include <string>
#include <vector>

#include "commands/GenericCommand.h"
#include "commands/HueloomParams.h"
#include "image/ImageBuffer.h"
#include "transfer/ColorTransfer.h"

class Hueloom : public GenericCommand {
 public:
  // With `useStoredSettings` false the command neither loads nor saves the
  // settings store (the command-line tool sets its parameters itself).
  explicit Hueloom(bool useStoredSettings = true);
  ~Hueloom() override;

  void BuildParams() override;
  int Run(CCommandJob& job) override;
  std::string Name() const override { return "Hueloom"; }

  // The integer or text of parameter `index` (0 or empty for the wrong kind).
  std::int32_t IntParam(int index) const;
  std::string TextParam(int index) const;

  // The folders the template browser has shown.
  std::vector<std::string>& Folders() { return m_folders; }

 private:
  int RunMatrix(CCommandJob& job, const std::string& path);

  bool m_useStoredSettings;
  CColorTransfer m_transfer;
  CImageBuffer m_template;
  // The figures of the last run's template, with its path and file bytes.
  std::string m_figuresPath;
  std::vector<std::uint8_t> m_figuresBytes;
  TemplateFigures m_figures;
  std::vector<std::string> m_folders;
};
