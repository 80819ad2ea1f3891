#pragma once
// Writing a picture so that the named file is never left half-written: the
// picture goes to a temporary file in the same folder, which then replaces
// the target in one step.  An interrupt meanwhile removes the temporary file.
// Replacing keeps what the user set up: the old file's permission bits, and
// a symbolic link stays a link (the file it points to is replaced).

#include <string>

#include "image/ImageBuffer.h"
#include "imagefiles/PictureWriter.h"

// The folder part of a path ("." when it has none).
std::string FolderOfPath(const std::string& path);

// Whether a new file can be made in `folder`: it exists, is a folder and
// takes a file (tried by making and removing one).  False with the system's
// reason otherwise.
bool CheckFolderWritable(const std::string& folder, std::string* reason);

// False with "<path>: <reason>" in `*error`; the target is then as it was.
bool WritePictureAtomically(const CImageBuffer& image, const std::string& path, PictureFormat format,
                            const PictureWriteOptions& options, std::string* error);

// The picture to standard output (made binary first).
bool WritePictureToStdout(const CImageBuffer& image, PictureFormat format, const PictureWriteOptions& options,
                          std::string* error);
