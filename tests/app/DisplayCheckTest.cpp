// Whether `quarn` without arguments may open its window, and what it says when not.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/DisplayCheck.h"

namespace quarn {
namespace {

TEST(WorkbenchDisplay, DecidesFromTheEnvironment) {
  const struct { std::map<std::string, std::string> environment; bool available; } cases[] = {
      {{}, false}, {{{"DISPLAY", ":0"}}, true}, {{{"WAYLAND_DISPLAY", "wayland-0"}}, true},
      {{{"QT_QPA_PLATFORM", "offscreen"}}, true}, {{{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, false},
      {{{"QT_QPA_PLATFORM", ""}}, false}, {{{"HOME", "/root"}, {"TERM", "xterm"}}, false}};
  for (const auto& c : cases) {
    const bool available = displayAvailable([&](const char* name) -> const char* {
      const auto found = c.environment.find(name);
      return found == c.environment.end() ? nullptr : found->second.c_str();
    });
    EXPECT_EQ(available, c.available) << ::testing::PrintToString(c.environment);
  }
}

TEST(WorkbenchDisplay, ReportTellsHowToRunWithoutTheWindow) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(reportNoDisplay(), 2);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "quarn: no display found. To run a script without the window, use: quarn run FILE\n");
}

}  // namespace
}  // namespace quarn
