#pragma once
// Where the running code lives: the executable's path and the path of the
// module (executable or shared library) that holds a given address.

#include <string>

namespace platform {

std::string ExecutablePath();
// The file of the module containing `address`; empty when unknown.
std::string ModulePathOf(const void* address);
// The folder part of a path, with its trailing separator ("" when none).
std::string FolderOf(const std::string& path);

}  // namespace platform
