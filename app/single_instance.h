#pragma once
// One setup at a time: a named mutex, held from the start of a run to its
// end, that a second copy finds taken.

#include <windows.h>

#include "base/handles.h"

class CSingleInstance {
 public:
  // The mutex's name: machine-wide, so copies started in other sessions
  // see it too, and tied to the product code.
  static const char* MutexName();

  // Creates or opens the mutex. True when no other copy held it: this run
  // then owns it until the object is destroyed (or the process ends).
  bool Acquire();
  // Lets the next copy run: the mutex is released and closed.
  void Release();

 private:
  unique_handle m_mutex;
};
