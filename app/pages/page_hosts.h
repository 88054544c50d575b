#pragma once
// What the welcome and progress pages ask of whoever runs the wizard: the
// application in a run, a test's own object in a page test.

#include <windows.h>

#include "framework/cstring.h"

class IPackageOpener {
 public:
  // Opens and unpacks the package; 0, or a status with its message loaded
  // into `message`. Called on the welcome page's worker.
  virtual int InitializePackage(CString& message) = 0;
  // The page's worker could not be created (its message shown): the run
  // failed, whatever the page ends with.
  virtual void WorkerNotStarted() = 0;
  // How far that opening has come, in percent, when the package is large
  // enough to keep the user waiting; -1 otherwise. Called on the page's
  // thread while the worker runs.
  virtual int PackageProgress() { return -1; }

 protected:
  ~IPackageOpener() = default;
};

class IInstallStarter {
 public:
  // Starts the installation worker for the progress page `page`: 0 when it
  // runs, -1 (after its message) when it cannot be created.
  virtual int StartInstallWorker(HWND page) = 0;

 protected:
  ~IInstallStarter() = default;
};

class IProgramCloser {
 public:
  // Install on the ready page `page`: the programs that hold files the
  // installation replaces are named in a box over the page. True to go on
  // (with them to be closed, or left running), false to stay on the page
  // with nothing changed.
  virtual bool ReadyToReplaceFiles(HWND page) = 0;

 protected:
  ~IProgramCloser() = default;
};
