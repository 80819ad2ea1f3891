#pragma once
// Loading a template picture file into an image buffer.

#include <cstdint>
#include <string>
#include <vector>

#include "image/ImageBuffer.h"

// Decodes the picture file `path` - first as the type its lower-cased
// extension names, then by detection - and answers it as a keFormatBGR
// buffer: the picture's top row in buffer row 0, palette colours resolved,
// alpha ignored.  A file that cannot be read or decoded answers an empty
// buffer (IsEmpty()); so does a buffer that cannot be created.
CImageBuffer LoadTemplateBuffer(const std::string& path);

// The same, with the picture's error text (or the buffer's failure) in
// `*error` when the answer is empty.  `*damage` (may be null) receives why
// the picture is not whole when it was decoded from damaged or cut data
// (CPicture::GetDamage), "" otherwise: such a buffer is still answered, as
// a template it is usable, and a caller that talks to a person says so.
CImageBuffer LoadTemplateBuffer(const std::string& path, std::string* error, std::string* damage = nullptr);

// The same from the file's bytes, read already (ReadPictureFile); `path`
// names the type by its extension.
CImageBuffer DecodeTemplateBytes(const std::string& path, const std::vector<std::uint8_t>& bytes,
                                 std::string* error, std::string* damage = nullptr);
