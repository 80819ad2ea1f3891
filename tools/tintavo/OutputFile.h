#pragma once
// Writing a picture so that the named file is never left half-written: the
// picture goes to a temporary file in the same folder, which then replaces
// the target in one step.  An interrupt meanwhile removes the temporary file.

#include <string>

#include "image/ImageBuffer.h"

// False with a reason in `*error`; the target is then as it was before.
bool WritePictureAtomically(const CImageBuffer& image, const std::string& path, int quality,
                            std::string* error);
