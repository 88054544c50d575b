#pragma once
// The installations that the uninstaller's tests leave for the check after
// the restart (demo_after_restart_test).

// Uninstalled from inside, with a user's file kept in the folder.
constexpr const char* kFolderWithUsersFile = "C:\\Program Files\\Velmora";
constexpr const char* kUsersFileName = "My notes.txt";
constexpr const char* kUsersFileText = "Notes the user keeps beside the program.\r\n";
// Uninstalled from inside while the program ran, so nothing but the restart
// can empty and remove it.
constexpr const char* kFolderEmptiedAtRestart = "C:\\Velmora Clean";
// Uninstalled while the setup's replacement of velmora.exe still waited for
// the restart; the restart must not bring the program back.
constexpr const char* kFolderWithPendingReplacement = "C:\\Velmora Replaced";
