#include "tests/support/recording_owner.h"

std::ostream& operator<<(std::ostream& out, const ProgressEvent& event) {
  if (event.kind == ProgressEvent::Report) return out << "Report(" << event.percent << ", " << event.task << ")";
  return out << "Position(" << event.percent << ")";
}
