// Whether `quarn` without arguments may open its window.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/DisplayCheck.h"

namespace quarn {
namespace {

struct DisplayCase {
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
    ::testing::Values(DisplayCase{{}, false},
                      DisplayCase{{{"DISPLAY", ":0"}}, true},
                      DisplayCase{{{"WAYLAND_DISPLAY", "wayland-0"}}, true},
                      DisplayCase{{{"QT_QPA_PLATFORM", "offscreen"}}, true},
                      DisplayCase{{{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, false},
                      DisplayCase{{{"QT_QPA_PLATFORM", ""}}, false},
                      DisplayCase{{{"HOME", "/root"}, {"TERM", "xterm"}}, false}));

TEST(WorkbenchDisplayReport, TellsHowToRunWithoutTheWindow) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(reportNoDisplay(), 2);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "quarn: no display found. To run a script without the window, use: quarn run FILE\n");
}

}  // namespace
}  // namespace quarn
