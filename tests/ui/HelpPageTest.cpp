#include "ui/HelpPage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(HelpPageTest, TheHelpFolderBesideThePluginFile) {
  EXPECT_EQ(ui::HelpPagePath("C:\\Hosts\\Plug-ins\\Tintavo.8bf"), "C:\\Hosts\\Plug-ins\\Help\\tintavo.html");
  EXPECT_EQ(ui::HelpPagePath("/opt/host/plugins/Tintavo.so"), "/opt/host/plugins/Help/tintavo.html");
  EXPECT_EQ(ui::HelpPagePath("Tintavo.8bf"), "");
}

TEST(HelpPageTest, ALongPluginPathIsUsedWhole) {
  // Plug-in folders deep inside a host's installation easily pass 128
  // characters.
  std::string folder = "C:\\Program Files\\Some Editor Company\\Some Editor 2024";
  while (folder.size() < 200) folder += "\\Plug-ins and Extensions";
  EXPECT_EQ(ui::HelpPagePath(folder + "\\Tintavo.8bf"), folder + "\\Help\\tintavo.html");
}

}  // namespace
