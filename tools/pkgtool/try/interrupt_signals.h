// InterruptSignals: while one exists, SIGINT and SIGTERM do not end the process but are
// noted, so that `pkgtool try` can end the updater it runs and remove its scratch device
// first. The destructor restores the previous handling; Resend then ends the process by
// the signal that came, as it would have ended without the handler.
#pragma once

#include <csignal>

namespace pkgtool {

class InterruptSignals {
 public:
  InterruptSignals();
  InterruptSignals(const InterruptSignals&) = delete;
  InterruptSignals& operator=(const InterruptSignals&) = delete;
  ~InterruptSignals();

  // The signal that came while one existed; 0 when none did.
  static int Received();
  // Raises the signal that came, with its default handling; returns when none came.
  static void Resend();

 private:
  struct sigaction previousInt_ {};
  struct sigaction previousTerm_ {};
};

}  // namespace pkgtool
