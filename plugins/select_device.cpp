#include "plugins/select_device.h"

#include <utility>

namespace qg::plugins {

SelectDeviceList::SelectDeviceList(std::vector<std::string> items, std::string panelText)
    : items_(std::move(items)), initialPanel_(std::move(panelText)), panel_(initialPanel_) {}

void SelectDeviceList::Show() {
  panel_ = initialPanel_;
  chosen_ = false;
}

void SelectDeviceList::SetPanelText(std::string text) {
  initialPanel_ = std::move(text);
  if (!chosen_) panel_ = initialPanel_;
}

void SelectDeviceList::Press(std::size_t index) {
  if (index >= items_.size()) return;
  selected_ = index;
  panel_ = items_[index];
  chosen_ = true;
}

void SelectDeviceList::Select(std::size_t index) {
  if (index < items_.size()) selected_ = index;
}

// Whether a name was chosen is a flag, not a comparison of the panel with its own text: a
// plug-in may well be called "Dispositivo".
std::optional<std::string> SelectDeviceList::Accept() {
  if (!chosen_) {
    if (items_.empty()) return std::nullopt;
    panel_ = items_[selected_.value_or(0)];
    chosen_ = true;
  }
  return panel_;
}

}  // namespace qg::plugins
