#pragma once
// One-time set-up and tear-down of the image framework, run once per library
// load by the application object.

// Builds the framework's process-wide tables.  Its result is not checked by
// the application; it answers false when a table could not be built.
bool InitImageFramework();
// Releases what InitImageFramework built and the registry of string modules.
void ReleaseImageFramework();
