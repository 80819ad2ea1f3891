#include "platform/Metafile.h"

namespace platform {

// No system metafile renderer: the picture layer draws the file itself.
MetafileResult RenderMetafile(MetafileFormat, const std::uint8_t*, std::size_t, const MetafileWindow&, unsigned,
                              unsigned, std::vector<std::uint8_t>*, std::string*) {
  return keMetafileNotAvailable;
}

}  // namespace platform
