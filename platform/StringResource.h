#pragma once
// String resources of a module (a string table compiled into the binary).

namespace platform {

// Loads string `id` of `module` (none: the process's main module) into
// `buffer`, NUL-terminated and cut to `size` - 1 characters.  Answers the
// number of characters written, 0 when the string does not exist.  Builds
// without string tables (POSIX) have no strings and always answer 0.
int LoadModuleString(void* module, unsigned id, char* buffer, int size);

}  // namespace platform
