#include "install/install_observer.h"

const char* NameOf(FileOutcome outcome) {
  switch (outcome) {
    case FileOutcome::kNotInPackage:
      return "not-in-package";
    case FileOutcome::kNotWritten:
      return "not-written";
    case FileOutcome::kDiscarded:
      return "discarded";
    case FileOutcome::kNotPlaced:
      return "not-placed";
    case FileOutcome::kPlaced:
      return "placed";
  }
  return "";
}

const char* NameOf(ActionOutcome outcome) {
  switch (outcome) {
    case ActionOutcome::kDone:
      return "done";
    case ActionOutcome::kNothingToDo:
      return "nothing-to-do";
    case ActionOutcome::kFailed:
      return "failed";
    case ActionOutcome::kUnknownType:
      return "unknown-type";
  }
  return "";
}

const char* NameOf(InstallOutcome outcome) {
  switch (outcome) {
    case InstallOutcome::kInstalled:
      return "installed";
    case InstallOutcome::kNotInstalled:
      return "not-installed";
    case InstallOutcome::kNotExpanded:
      return "not-expanded";
    case InstallOutcome::kDeferred:
      return "deferred";
    case InstallOutcome::kOutOfMemory:
      return "out-of-memory";
    case InstallOutcome::kNoDelivery:
      return "no-delivery";
    case InstallOutcome::kTooDeep:
      return "too-deep";
  }
  return "";
}
