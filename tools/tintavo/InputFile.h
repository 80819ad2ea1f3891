#pragma once
// Reading the bytes of a picture file, or of standard input for "-".

#include <cstdint>
#include <string>
#include <vector>

// True with the whole content; false with the system's reason ("No such
// file or directory", "Permission denied", "is a folder", ...).
bool ReadInput(const std::string& path, std::vector<std::uint8_t>* bytes, std::string* reason);
