// InstallObserver: told, while the engine installs, what it does, for tools that report
// on a run (pkgtool try reads the updater's account of its own run).
//
// The engine calls an observer only when one is given (null, the default, for none);
// it installs the same with or without one. Texts given are valid only during the call.
// An installation's calls come between its InstallationBegun and InstallationEnded, a
// nested installation's among them, in the order things happen.
#pragma once

#include <cstdint>

#include "system/ansi_string.h"
#include "system/wide_string.h"

// What became of one entry of a Files pass.
enum class FileOutcome : std::uint8_t {
  kNotInPackage,  // no such entry (or an empty name): skipped, as ever
  kNotWritten,    // it could not be written beside its target: the pass ends, nothing is placed
  kDiscarded,     // it was written, but another could not be: it was removed again
  kNotPlaced,     // written, but the target could not be replaced (a file in use)
  kPlaced,        // the target holds the entry
};

// What one action did.
enum class ActionOutcome : std::uint8_t {
  kDone,         // it did what it is for
  kNothingToDo,  // what it acts on is not there (no such window, no delivered file)
  kFailed,       // it was refused or could not be done
  kUnknownType,  // no action has its type: nothing was done
};

// What became of one installation of a delivered product.
enum class InstallOutcome : std::uint8_t {
  kInstalled,     // its files are in place; it was started and completed
  kNotInstalled,  // its files were not all put in place: kept for one more attempt
  kNotExpanded,   // the delivery could not be expanded: it is kept, nothing is installed
  kDeferred,      // its script does not fit beside those loaded around it: not begun
  kOutOfMemory,   // memory ran out: the installation ended there
  kNoDelivery,    // a nested delivery that is not there when its action runs
  kTooDeep,       // a nested delivery past the nesting limit: not begun
};

class InstallObserver {
 public:
  virtual ~InstallObserver() = default;

  // An installation of `deliveredPath` begins; `depth` is 0 for a product found in the
  // delivery folder and one more for each Product.Unpack around it.
  virtual void InstallationBegun(const String& deliveredPath, int depth) = 0;
  // One entry of the Files pass, `entryName` written to `target`.
  virtual void FileEntry(const AnsiString& entryName, const String& target,
                         FileOutcome outcome) = 0;
  // The product's executable, after its files, and whether it could be started.
  virtual void ProductStarted(const String& program, bool started) = 0;
  // One action of `event` with its `type` as written (null when it has none).
  virtual void ActionPerformed(const char* event, const char* type, ActionOutcome outcome) = 0;
  // The installation that began last and has not ended ends.
  virtual void InstallationEnded(InstallOutcome outcome) = 0;
};

// The words an outcome is written with in an account of a run (driver/observation_log.h).
const char* NameOf(FileOutcome outcome);
const char* NameOf(ActionOutcome outcome);
const char* NameOf(InstallOutcome outcome);
