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

// Takes the operation that moves `move.source` over `move.target` out of
// the list; every other operation stays byte for byte. False when it is not
// there or the list cannot be written.
bool RemovePendingMove(const PendingMove& move);
