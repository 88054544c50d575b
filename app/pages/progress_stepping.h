#pragma once
// How the progress bar follows the engine's target: one percent per tick.

// The position after one tick: one step from `position` towards `target`.
// Stepping alone never completes the progress: it stops at 99, and only the
// installation worker's final write of 100, made when it is done with the
// page, lets the page end. A position already at 100 or above stays.
int NextProgressPosition(int position, int target);
