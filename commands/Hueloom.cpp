#include "commands/Hueloom.h"

#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"
#include "imagefiles/TemplateLoader.h"
#include "platform/MessageBox.h"
#include "resources/ProductInfo.h"
#include "transfer/MatrixFile.h"
#include "transfer/Progress.h"

namespace {

constexpr std::size_t kMaxKeptTemplateBytes = std::size_t{16} << 20;

void ShowError(const std::string& text) {
  platform::ShowMessage(text, TINTAVO_PRODUCT_NAME, platform::MessageBoxIcon::kError);
}

std::string FileNameOf(const std::string& path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

Hueloom::Hueloom(bool useStoredSettings) : m_useStoredSettings(useStoredSettings) {
  Params().SetName(Name());
  BuildParams();
  if (m_useStoredSettings) (void)Params().LoadFromRegistry();  // missing values keep their initial ones
}

Hueloom::~Hueloom() {
  // A run still going would use members about to be destroyed.
  Stop();
  if (m_useStoredSettings) (void)Params().SaveToRegistry();
}

void Hueloom::BuildParams() { BuildHueloomParams(&Params()); }

std::int32_t Hueloom::IntParam(int index) const {
  std::int32_t value = 0;
  if (const CParam* p = Params().GetByIndex(index)) p->GetInt(&value);
  return value;
}

std::string Hueloom::TextParam(int index) const {
  std::string value;
  if (const CParam* p = Params().GetByIndex(index)) p->GetText(&value);
  return value;
}

int Hueloom::Run(CCommandJob& job) {
  const std::int32_t brightness = IntParam(keParamRadius);
  const std::int32_t colour = IntParam(keParamColor);
  const std::int32_t fade = IntParam(keParamBlend);
  const std::int32_t mode = IntParam(keParamAlternativeMode);
  const std::string path = TextParam(keParamFilename);

  const std::string extension = LowerCaseAscii(ExtensionOf(path));
  if (extension.empty()) {
    ShowError("Unknown file extension");
    return 0;
  }
  if (extension == "img") return RunMatrix(job, path);

  // The template's figures of the last run serve while the file holds the
  // same bytes: the dialog runs again on every change of a setting, and the
  // template is then neither decoded nor converted again.
  std::vector<std::uint8_t> bytes;
  PictureError readError;
  const bool read = ReadPictureFile(path, &bytes, &readError);
  if (read && path == m_figuresPath && bytes == m_figuresBytes && m_figures.Serve(mode)) {
    return m_transfer.Apply(*job.progress, *job.output, *job.input, m_figures, brightness, colour, fade, mode);
  }
  m_figures = TemplateFigures();
  m_figuresPath.clear();
  m_figuresBytes.clear();

  // An undecodable template never reaches the engine: the destination stays
  // the copy of the source that the start of the run made.
  std::string error = readError.text;
  if (read) m_template = DecodeTemplateBytes(path, bytes, &error);
  if (m_template.IsEmpty()) {
    ShowError("Can't read the template picture " + FileNameOf(path) + ": " + error);
    return 0;
  }
  // Taking the figures is short (the template's one pass) and not stopped.
  CProgress analysis;
  (void)m_transfer.AnalyseTemplate(analysis, m_template, mode, &m_figures);
  m_template.Clear();
  if (!m_figures.ready) return 0;  // no memory: the engine said so
  // The bytes are kept to compare with; a template file of more than
  // kMaxKeptTemplateBytes is read and converted each time instead.
  if (read && bytes.size() <= kMaxKeptTemplateBytes) {
    m_figuresPath = path;
    m_figuresBytes = std::move(bytes);
  }
  return m_transfer.Apply(*job.progress, *job.output, *job.input, m_figures, brightness, colour, fade, mode);
}

int Hueloom::RunMatrix(CCommandJob& job, const std::string& path) {
  MatrixValues matrix;
  std::string error;
  switch (ReadMatrixFile(path, &matrix, &error)) {
    case MatrixReadResult::kCannotOpen:
      ShowError("Can't open file!");
      return 0;
    case MatrixReadResult::kDamaged:
      ShowError("Damaged matrix file " + FileNameOf(path) + ": " + error);
      return 0;
    case MatrixReadResult::kOk:
      break;
  }
  MatrixPicture(matrix, &m_template).RaiseIfError();
  matrix.values.clear();
  m_transfer.ShowMatrix(*job.output, *job.input, m_template);
  m_template.Clear();
  return 0;
}
