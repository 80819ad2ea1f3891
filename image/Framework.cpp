#include "image/Framework.h"

#include "image/Status.h"

bool InitImageFramework() {
  // The stand-in for failed error allocations must exist before any error
  // can be made.  Later subsystems add their lookup tables here.
  (void)CJException::OutOfMemory();
  return true;
}

void ReleaseImageFramework() { ClearStringModules(); }
