#include "ui/AboutDialog.h"

#include "platform/MessageBox.h"
#include "resources/ProductInfo.h"

std::string AboutText(const std::array<std::string, 4>& lines) {
  return lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n" + lines[3];
}

// Shows the lines through the message-box handler.
void ShowAboutText(const std::array<std::string, 4>& lines) {
  platform::MessageBoxRequest box;
  box.text = AboutText(lines);
  box.caption = "About " TINTAVO_PRODUCT_NAME;
  box.icon = platform::MessageBoxIcon::kInformation;
  platform::ShowMessageBox(box);
}
