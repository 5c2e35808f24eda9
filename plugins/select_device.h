#pragma once
// What the device type selection dialog shows and answers, without its window: the list of
// plug-ins, the panel that shows the chosen name, and the name that OK gives.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace qg::plugins {

// The dialog's texts (the language file may replace them).
struct SelectDeviceTexts {
  std::string caption = "Seleção de Dispositivo";
  std::string label = "Selecione o Dispositivo:";
  std::string panel = "Dispositivo";
  std::string ok = "&OK";
  std::string cancel = "&Cancel";
};
inline constexpr const char* kSelectDeviceHelpTopic = "Configurar";

class SelectDeviceList {
 public:
  // `items` is the host's ListPlugins(), taken once when the dialog is built.
  SelectDeviceList(std::vector<std::string> items, std::string panelText);

  const std::vector<std::string>& Items() const { return items_; }
  const std::string& PanelText() const { return panel_; }
  std::optional<std::size_t> Selected() const { return selected_; }

  // Every showing starts from the panel's own text.
  void Show();
  void SetPanelText(std::string text);  // the language file's replacement
  // A mouse press on an item shows its name; a press outside the items does nothing.
  void Press(std::size_t index);
  // The list's selection moved without a press (keyboard).
  void Select(std::size_t index);
  // OK or a double click: the name shown, or else the selected item, or else the first one.
  // With no plug-in at all there is nothing to take: nullopt, and the caller treats it as a
  // cancel. The panel then shows the name taken.
  std::optional<std::string> Accept();

 private:
  std::vector<std::string> items_;
  std::string initialPanel_;
  std::string panel_;
  std::optional<std::size_t> selected_;
  bool chosen_ = false;  // the panel shows an item, not its own text
};

}  // namespace qg::plugins
