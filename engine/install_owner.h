#pragma once
// What the installation engine needs of its owner (the setup application):
// the user's choices and the progress relay.

#include <string>

class IInstallOwner {
 public:
  virtual std::string DestFolder() const = 0;       // full path of the installation folder
  virtual std::string StartMenuFolder() const = 0;  // relative to the all-users Programs folder
  virtual int DesktopIcon() const = 0;              // nonzero: create the desktop icon
  virtual int QuickLaunchIcon() const = 0;          // nonzero: create the Quick Launch icon
  virtual unsigned Language() const = 0;            // the LANGID the wizard speaks
  // Target percentage and task index of the progress page.
  virtual void ReportProgress(int percent, int task) = 0;
  // Moves the displayed progress at once.
  virtual void SetProgressPosition(int position) = 0;

 protected:
  ~IInstallOwner() = default;
};
