// Whether `quarn` without arguments may open its window.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/DisplayCheck.h"

namespace quarn {
namespace {

struct DisplayCase {
  const char* name;
  std::map<std::string, std::string> environment;
  bool available;
};

class WorkbenchDisplay : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(WorkbenchDisplay, DecidesFromTheEnvironment) {
  const DisplayCase& c = GetParam();
  auto lookup = [&](const char* name) -> const char* {
    auto found = c.environment.find(name);
    return found == c.environment.end() ? nullptr : found->second.c_str();
  };
  EXPECT_EQ(displayAvailable(lookup), c.available);
}

INSTANTIATE_TEST_SUITE_P(
    Environments, WorkbenchDisplay,
    ::testing::Values(DisplayCase{"Nothing", {}, false},
                      DisplayCase{"X11", {{"DISPLAY", ":0"}}, true},
                      DisplayCase{"Wayland", {{"WAYLAND_DISPLAY", "wayland-0"}}, true},
                      DisplayCase{"ChosenPlatform", {{"QT_QPA_PLATFORM", "offscreen"}}, true},
                      DisplayCase{"EmptyDisplays", {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, false},
                      DisplayCase{"EmptyPlatform", {{"QT_QPA_PLATFORM", ""}}, false},
                      DisplayCase{"OtherVariables", {{"HOME", "/root"}, {"TERM", "xterm"}}, false}),
    [](const ::testing::TestParamInfo<DisplayCase>& info) { return std::string(info.param.name); });

TEST(WorkbenchDisplayReport, TellsHowToRunWithoutTheWindow) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(reportNoDisplay(), 2);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "quarn: no display found. To run a script without the window, use: quarn run FILE\n");
}

}  // namespace
}  // namespace quarn
