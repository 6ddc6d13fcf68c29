// What `pkgtool try` does: installs products with the real updater on a throw-away
// device and tells what changed.
//
// The device is a fresh one, made as `devicectl init` makes it, or a copy of a device
// folder, which is only read. The products are delivered together into a folder of their
// own below `\` (left out of the comparison), each under the name the updater will open
// it by, and the updater runs once, as a device runs it, as
// `updater -unpackProduct FOLDER` with the throw-away device as
// CE_DEVICE and host execution off (CE_DEVICE_HOST_EXEC=0), so that no program it
// starts runs on the host and the result depends on the products alone. It is asked, by
// its hidden option `-observeTo`, for an account of its run (try/run_account.h), which
// each product's outcome and its nested products are reported from.
//
// The updater runs in a process group of its own. When it runs longer than the time
// limit, or SIGINT or SIGTERM comes (try/interrupt_signals.h), the whole group is ended
// and TryProducts fails; the scratch device is removed either way.
#pragma once

#include <string>
#include <vector>

#include "journal.h"
#include "try/device_changes.h"
#include "try/run_account.h"

namespace pkgtool {

struct TryOptions {
  // Host paths of delivered products or plain packages, delivered together.
  std::vector<std::string> products;
  std::string asName;       // with one product: the name to open it by; empty for its file name's
  std::string deviceCopy;   // a device folder to copy; empty for a fresh device
  std::string updater;      // host path of the updater program
  int timeoutSeconds = 60;  // how long the updater may run
};

struct Shortcut {
  std::string path;    // device path, UTF-8
  std::string target;  // as written in the shortcut file, UTF-8
};

// One of the products tried.
struct TriedProduct {
  std::string product;      // as given
  std::string deliveredAs;  // device path of the delivered file
  bool accounted = false;   // the updater's account tells of its installation
  ProductInstall install;   // what the account tells, when it does
  // Its files could not all be put in place; the delivery was set aside for one more
  // attempt.
  bool keptForAnotherAttempt = false;
  // Why its entry names do not decode under the name it is delivered by (the updater
  // finds no script in it and installs nothing of it); empty when they decode.
  std::string misnamed;
};

struct TryResult {
  std::string deliveredAs;             // device path of the first product given
  std::vector<TriedProduct> products;  // in the order the updater takes them
  int updaterExit = -1;                // its exit code; -1 when it did not exit normally
  DeviceChanges changes;
  std::vector<emu::JournalEvent> events;  // programs started and messages sent, in order
  std::vector<Shortcut> shortcuts;
  bool accountGiven = false;               // the updater wrote an account of its run
  std::vector<NestedInstall> nested;       // of every product, in the order they began
  std::vector<std::string> leftDelivered;  // files left in the delivery folder
  // A product's files could not all be put in place: the updater did not start it nor
  // run its "Install.After" actions, and set the delivery aside for one more attempt.
  bool keptForAnotherAttempt = false;
  // Why its entry names do not decode under the name it is delivered by (the updater
  // finds no script in it and installs nothing of it); empty when they decode.
  std::string misnamed;
};

// The updater to run: `explicitPath` when given, else $PKGTOOL_UPDATER, else `updater`
// beside this program, else the first `updater` on PATH. Empty with *error set when
// none is an executable file.
std::string FindUpdater(const std::string& explicitPath, std::string* error);

// The file names the products of `options` are delivered by ("NAME.gz"), in the order
// given. False with *error set when one cannot be a device file name, or two products
// would be delivered by the same name (the device ignores letter case).
bool DeliveryNames(const TryOptions& options, std::vector<std::string>* names, std::string* error);

// False with *error set when the device cannot be made or read, the updater cannot be
// started, or it was ended before it finished (time limit, signal).
bool TryProducts(const TryOptions& options, TryResult* result, std::string* error);

// True when the run shows a problem with the products: the updater did not finish
// normally, a delivery was left behind (not expanded, or kept for another attempt
// because its files were not all put in place), or a program it started failed.
bool FoundProblem(const TryResult& result);

}  // namespace pkgtool
