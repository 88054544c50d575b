#pragma once
// The file operations Windows carries out at the next restart.

#include <string>
#include <vector>

// One MoveFileEx(MOVEFILE_DELAY_UNTIL_REBOOT) request, with the "\??\" and
// "!" (replace) prefixes taken off; an empty target means a deletion.
struct PendingMove {
  std::string source;
  std::string target;
};

// The pending operations in the order Windows carries them out; empty when
// there are none or they cannot be read.
std::vector<PendingMove> ReadPendingMoves();
