#pragma once
// The progress page's tasks, by the index the engine and the installation
// worker report and the application turns into a caption of its string table.

enum ProgressTask : int {
  TaskCopyingFiles = 0,
  TaskInstallingDrivers = 1,
  TaskInstallingProgram = 2,
  TaskStartingDrivers = 3,
  TaskStartMenuItems = 4,
  TaskFinish = 5,
  TaskStopServices = 6,
  TaskRemoveServices = 7,
  TaskClearRegistry = 8,
  // Index 9 has no caption: the page shows an empty task text.
  TaskDeleteFiles = 10,
  TaskRestoreFiles = 11,
  TaskDeleteDirectories = 12,
};
