// The string table holds every text of the wizard, spelled exactly as the
// pages show it.

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "framework/cstring.h"

namespace {

const std::map<int, std::string>& ExpectedTexts() {
  static const std::map<int, std::string> texts = {
    {1, "Welcome to the %s \n%s Setup Wizard"},
    {2, "The Setup Wizard will allow you to install %s %s on your computer. Click Next to continue or Cancel to exit the Setup Wizard."},
    {3, "Are you sure you want to cancel %s installation?"},
    {4, "License Agreement"},
    {5, "Please read the following important information before continuing!"},
    {6, "Select Destination Location"},
    {7, "Where should %s be installed?"},
    {8, "Select Start Menu Folder"},
    {9, "Where should Setup place the program shortcuts?"},
    {10, "Select Additional Tasks"},
    {11, "Which additional tasks should be performed?"},
    {12, "Ready to Install"},
    {13, "Now Setup is ready to begin %s installation on your computer"},
    {14, "Destination location:"},
    {15, "Start Menu folder:"},
    {16, "Additional Task:"},
    {17, "Additionals Icons:"},
    {18, "Create a desktop icon"},
    {19, "Create a Quick Launch icon"},
    {20, "You have to be logged in as an administrator while installing this program!"},
    {21, "You have to run this program on the OS not lower Windows 2000 Service Pack 4."},
    {22, "Error of modules unpacking"},
    {23, "Installation package is damaged"},
    {24, "System resourses are not enough to complete the installation"},
    {25, "There is an error occurred while modules initialization"},
    {26, "Setup Wizard initialization error"},
    {27, "Copying files is in progress..."},
    {28, "Installing kernel mode drivers..."},
    {29, "Install main program module..."},
    {30, "Starting drivers..."},
    {31, "Create start menu items..."},
    {32, "Finish installation..."},
    {33, "Install"},
    {34, "Exception during Setup initialization!\nException code = 0x%.8x\nException address = 0x%.8x"},
    {35, "Exception during Installation!\nException code = 0x%.8x\nException address = 0x%.8x"},
    {36, "Please wait while Setup Wizard complete initialization!"},
    {37, "System Error = 0x%.8x"},
    {38, "Completing %s\n Setup Wizard."},
    {39, "Setup finished %s installation on your computer.\nClick Finish to exit "},
    {40, "To complete the installation %s, Setup must restart your computer. Would you like to restart now?"},
    {41, "Launch %s now."},
    {42, "Yes, restart  the computer now."},
    {43, "No, I will restart the computer later."},
    {44, "Error during installation.\nError code = 0x%.8x\nError arg0 = 0x%.8x"},
    {45, "Stop running services..."},
    {46, "Remove installed services..."},
    {47, "Clear registry entry..."},
    {48, "Delete created files..."},
    {49, "Restore overwritten files..."},
    {50, "Delete directory..."},
    {51, "While installing %s on your computer system error occurred. Please download the latest version of %s from our web site and try again!"},
    {52, "While installing %s on your computer system error occurred.Setup Wizard restored your system to do installation state, but some files are occupied by operation system. You have to restart your computer, download the latest version of %s from our web site and try the installation again!"},
    {53, "Setup Wizard did not complete the  installation\n %s on your computer."},
    {54, "You have to run this Setup Wizard on Windows 32bit platform only!"},
    {55, "Setup - %s"},
    {57, "To resolve installation issue could you please send installation log file [%s] to our support team."},
    {58, "Open \"Quick start\" page."},
    {59, "This Setup Wizard does not contain the kernel mode drivers for Windows 64bit, so %s cannot work on this computer. Please download the latest version of %s from our web site!"},
    {60, "Setup cannot install into the folder \"%s\".\nPlease enter the full path of a folder on a drive, for example C:\\Program Files\\Velmora, or on a network share, for example \\\\server\\share\\Velmora."},
    {61, "The folder \"%s\" is too long.\nPlease enter a path of at most %d characters."},
    {62, "Setup cannot create the Start Menu folder \"%s\".\nPlease enter a folder name below the Programs folder, without a drive and without \"..\" parts."},
    {63, "Another copy of %s Setup is already running.\nPlease wait until it has finished, then try again."},
    {64, "Usage: %s [/quiet | /passive] [/dir=FOLDER] [/group=NAME] [/tasks=LIST] [/log=FILE] [/lang=CODE] [/norestart | /forcerestart] [/noclose]\n\n/quiet\tinstall without any window; the license is accepted\n/passive\tinstall showing only the progress\n/dir=FOLDER\tthe destination folder\n/group=NAME\tthe Start Menu folder\n/tasks=LIST\ticons to create: desktop, quicklaunch (comma-separated; empty for none)\n/log=FILE\ta copy of the installation log\n/lang=CODE\tthe language of the wizard: en, de, fr, es, ru, ja, zh-CN, ar\n/norestart\tnever restart the computer\n/forcerestart\trestart when needed, without asking\n/noclose\tleave the running programs open; their files are replaced at the restart\n/?, /help\tthis text\n\nExit codes: 0 installed, 3010 restart needed, 1641 restart started, 1602 cancelled, 1603 failed, 1618 another setup running, 1620 package damaged, 1633 unsupported Windows, 1638 newer version installed, 1639 invalid command line, 740 not an administrator."},
    {65, "Invalid command line argument: %s\n%s"},
    {70, "A newer version of %s is already installed on this computer: version %s. This Setup Wizard installs version %s. To install it, please remove the newer version first."},
    {71, "This Setup Wizard does not contain the kernel mode drivers for Windows on ARM64 processors, so %s cannot work on this computer."},
    {72, "%s is installed in %s; an upgrade or a repair keeps it there"},
    {73, "The Start Menu folder \"%s\" is too long.\nPlease enter a name of at most %d characters."},
    {74, "These programs are using files that Setup must update:\n\n%s\n\nClick Yes to close them and continue, No to continue without closing them (Windows then completes the installation when you restart your computer), or Cancel to return."},
  };
  return texts;
}

std::string LoadRaw(UINT id) {
  char buffer[4096] = {};
  int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
  return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

}  // namespace

TEST(StringTable, EveryTextIsSpelledExactly) {
  for (const auto& [id, text] : ExpectedTexts()) {
    EXPECT_EQ(LoadRaw(static_cast<UINT>(id)), text) << "string " << id;
  }
}

TEST(StringTable, HoldsNoOtherText) {
  for (UINT id = 0; id <= 80; ++id) {
    if (ExpectedTexts().count(static_cast<int>(id))) continue;
    EXPECT_EQ(LoadRaw(id), "") << "string " << id << " is not one of the wizard's texts";
  }
}

TEST(StringTable, LineBreaksAreSingleLineFeeds) {
  EXPECT_EQ(LoadRaw(38), std::string("Completing %s") + '\n' + " Setup Wizard.");
  EXPECT_EQ(LoadRaw(39).back(), ' ');  // the trailing blank is part of the text
}

TEST(StringTable, LoadStringFormatsWithProductName) {
  CString title;
  title.Format(55, "Velmora");
  EXPECT_STREQ(title, "Setup - Velmora");
  CString welcome;
  welcome.Format(1, "Velmora", "Version 1.7");
  EXPECT_STREQ(welcome, "Welcome to the Velmora \nVersion 1.7 Setup Wizard");
  CString error;
  error.Format(44, 0x263u, 0x5u);
  EXPECT_STREQ(error, "Error during installation.\nError code = 0x00000263\nError arg0 = 0x00000005");
}
