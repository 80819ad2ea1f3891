#pragma once
// The about box: four lines (name and version, vendor, authors, description)
// taken from the plug-in's own version record, with fixed defaults for
// whatever the record does not provide.

#include <string>

#include "platform/VersionInfo.h"

struct AboutLines {
  std::string name;
  std::string vendor;
  std::string authors;
  std::string description;
};

AboutLines DefaultAboutLines();

// Fills the lines from every translation of the record, in order: later
// translations overwrite earlier ones, and "ProductVersion" and "CompanyName"
// append to the line before them each time.
void ReadAboutLines(const platform::VersionRecord& record, AboutLines* lines);

// Shows the about box of the module holding this code; the box is modal.
void ShowAboutBox();
