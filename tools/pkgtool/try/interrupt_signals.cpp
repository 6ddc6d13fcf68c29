#include "try/interrupt_signals.h"

namespace pkgtool {

namespace {

volatile std::sig_atomic_t received = 0;

void Note(int signal) { received = signal; }

}  // namespace

InterruptSignals::InterruptSignals() {
  struct sigaction action {};
  action.sa_handler = Note;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, &previousInt_);
  ::sigaction(SIGTERM, &action, &previousTerm_);
}

InterruptSignals::~InterruptSignals() {
  ::sigaction(SIGINT, &previousInt_, nullptr);
  ::sigaction(SIGTERM, &previousTerm_, nullptr);
}

int InterruptSignals::Received() { return received; }

void InterruptSignals::Resend() {
  const int signal = received;
  if (signal == 0) return;
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace pkgtool
