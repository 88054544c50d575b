#pragma once
// An engine owner for tests: the user's choices are plain fields, and every
// progress call is recorded in order.

#include <ostream>
#include <string>
#include <vector>

#include "engine/install_owner.h"

// One progress call: ReportProgress(percent, task) or SetProgressPosition(percent).
struct ProgressEvent {
  enum Kind { Report, Position };
  Kind kind;
  int percent;
  int task;  // -1 for Position

  static ProgressEvent MakeReport(int percent, int task) { return ProgressEvent{Report, percent, task}; }
  static ProgressEvent MakePosition(int position) { return ProgressEvent{Position, position, -1}; }
  bool operator==(const ProgressEvent& other) const {
    return kind == other.kind && percent == other.percent && task == other.task;
  }
};

// "Report(10, 0)" or "Position(87)", for test failure messages.
std::ostream& operator<<(std::ostream& out, const ProgressEvent& event);

class RecordingOwner : public IInstallOwner {
 public:
  std::string DestFolder() const override { return m_destFolder; }
  std::string StartMenuFolder() const override { return m_startMenuFolder; }
  int DesktopIcon() const override { return m_desktopIcon; }
  int QuickLaunchIcon() const override { return m_quickLaunchIcon; }
  unsigned Language() const override { return m_language; }
  void ReportProgress(int percent, int task) override { m_events.push_back(ProgressEvent::MakeReport(percent, task)); }
  void SetProgressPosition(int position) override { m_events.push_back(ProgressEvent::MakePosition(position)); }

  std::string m_destFolder;
  std::string m_startMenuFolder;
  int m_desktopIcon = 0;
  int m_quickLaunchIcon = 0;
  unsigned m_language = 0x409;
  std::vector<ProgressEvent> m_events;
};
