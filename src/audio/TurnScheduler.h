// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Who lets a run's script threads go on. A script thread (a run's top level, an
// async body) is announced by the thread that creates it, then begins on its
// own thread at a frame and ends there. On a wall clock every thread simply
// runs: this base takes no turns. A render's virtual clock makes threads take
// turns, so what a run does comes out the same every time.
//
// Threads: announce and cancelAnnouncement from the creating thread; begin and
// end from the script thread itself.

#include <cstdint>

namespace quarn {

class TurnScheduler {
public:
  virtual ~TurnScheduler() = default;

  // False: the thread could never begin (the caller drops it, unannounced).
  virtual bool announce() { return true; }
  // An announced thread that will not begin after all (its job was refused).
  virtual void cancelAnnouncement() {}
  virtual void begin(std::int64_t /*frame*/) {}
  virtual void end() {}
};

}  // namespace quarn
