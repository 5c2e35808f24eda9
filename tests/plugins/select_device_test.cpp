#include "plugins/select_device.h"

#include <gtest/gtest.h>

namespace qg::plugins {
namespace {

SelectDeviceList Make(std::vector<std::string> items) {
  return SelectDeviceList(std::move(items), SelectDeviceTexts{}.panel);
}

TEST(PluginSelectDevice, OkWithoutTouchingTakesTheFirst) {
  auto list = Make({"Harrowmeter", "Other"});
  list.Show();
  EXPECT_EQ(list.PanelText(), "Dispositivo");
  EXPECT_EQ(list.Accept(), "Harrowmeter");
  EXPECT_EQ(list.PanelText(), "Harrowmeter");
}

TEST(PluginSelectDevice, PressShowsTheItemAndOkTakesWhatThePanelShows) {
  auto list = Make({"A", "B", "C"});
  list.Show();
  list.Press(1);
  EXPECT_EQ(list.PanelText(), "B");
  list.Select(2);  // keyboard moves the selection: the panel still decides
  EXPECT_EQ(list.Accept(), "B");

  list.Show();  // every showing starts again from the panel's own text
  EXPECT_EQ(list.PanelText(), "Dispositivo");
  EXPECT_EQ(list.Accept(), "C");  // nothing pressed: the selected item

  list.Press(7);  // outside the items: nothing changes
  EXPECT_EQ(list.PanelText(), "C");
}

TEST(PluginSelectDevice, PluginNamedLikeThePanelIsStillAChoice) {
  auto list = Make({"Alpha", "Dispositivo"});
  list.Show();
  list.Press(1);
  list.Select(0);
  EXPECT_EQ(list.Accept(), "Dispositivo");
}

TEST(PluginSelectDevice, EmptyListGivesNothing) {
  auto list = Make({});
  list.Show();
  list.Press(0);
  list.Select(0);
  EXPECT_EQ(list.Accept(), std::nullopt);
  EXPECT_EQ(list.PanelText(), "Dispositivo");
}

TEST(PluginSelectDevice, LanguageReplacesThePanelText) {
  auto list = Make({"A"});
  list.SetPanelText("Device");
  EXPECT_EQ(list.PanelText(), "Device");
  list.Press(0);
  list.Show();
  EXPECT_EQ(list.PanelText(), "Device");
}

}  // namespace
}  // namespace qg::plugins
