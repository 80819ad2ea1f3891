#include "image/Framework.h"

#include "image/FrameworkTables.h"
#include "image/Status.h"

bool InitImageFramework() {
  // The stand-in for failed error allocations must exist before any error
  // can be made.
  (void)CJException::OutOfMemory();
  return BuildFrameworkTables();
}

void ReleaseImageFramework() {
  FreeFrameworkTables();
  ClearStringModules();
}
