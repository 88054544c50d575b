// The ready page's summary, byte for byte.

#include <gtest/gtest.h>

#include "app/setup_app.h"

namespace {

std::string Summary(const char* dest, const char* startMenu, int desktop, int quickLaunch) {
  CSetupApp app;
  app.m_destFolder = dest;
  app.m_startMenuFolder = startMenu;
  app.m_desktopIcon = desktop;
  app.m_quickLaunchIcon = quickLaunch;
  CString summary = "left over from an earlier visit";
  app.BuildSummary(summary);
  return summary.str();
}

}  // namespace

TEST(BuildSummary, BothIconsListsTenLines) {
  EXPECT_EQ(Summary("C:\\Program Files\\Velmora", "Velmora", 1, 1),
            "Destination location:\r\n"
            "      C:\\Program Files\\Velmora\r\n"
            "\r\n"
            "Start Menu folder:\r\n"
            "      Velmora\r\n"
            "\r\n"
            "Additional Task:\r\n"
            "      Additionals Icons:\r\n"
            "            Create a desktop icon\r\n"
            "            Create a Quick Launch icon");
}

TEST(BuildSummary, NoIconEndsAfterTheStartMenuFolder) {
  EXPECT_EQ(Summary("D:\\Apps\\Velmora", "Tools\\Velmora", 0, 0),
            "Destination location:\r\n"
            "      D:\\Apps\\Velmora\r\n"
            "\r\n"
            "Start Menu folder:\r\n"
            "      Tools\\Velmora\r\n"
            "\r\n");
}

TEST(BuildSummary, DesktopIconAloneEndsWithTheIndentOfAFollowingLine) {
  EXPECT_EQ(Summary("C:\\V", "V", 1, 0),
            "Destination location:\r\n      C:\\V\r\n\r\n"
            "Start Menu folder:\r\n      V\r\n\r\n"
            "Additional Task:\r\n      Additionals Icons:\r\n            Create a desktop icon\r\n            ");
}

TEST(BuildSummary, QuickLaunchIconAloneIsTheLastLine) {
  EXPECT_EQ(Summary("C:\\V", "V", 0, 1),
            "Destination location:\r\n      C:\\V\r\n\r\n"
            "Start Menu folder:\r\n      V\r\n\r\n"
            "Additional Task:\r\n      Additionals Icons:\r\n            Create a Quick Launch icon");
}

TEST(BuildSummary, EmptyDestinationLeavesTheIndentAlone) {
  const std::string summary = Summary("", "Velmora", 0, 0);
  EXPECT_EQ(summary.substr(0, 33), "Destination location:\r\n      \r\n\r\n");
}

TEST(BuildSummary, AnyNonzeroFlagCountsAsChosen) {
  EXPECT_EQ(Summary("C:\\V", "V", 7, -1), Summary("C:\\V", "V", 1, 1));
}
