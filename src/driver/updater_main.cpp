#include "driver/updater_main.h"

#include <memory>
#include <new>

#include "driver/command_line.h"
#include "driver/create_shortcut.h"
#include "driver/delivery.h"
#include "driver/install_product.h"
#include "driver/observation_log.h"
#include "package/extraction.h"
#include "system/folder_macros.h"
#include "system/path.h"
#include "system/string_builder.h"

namespace {

// The name of the mutex that lets one updater at a time install on a device.
constexpr WCHAR kInstallMutexName[] = TEXT("Kelmora.Updater.Install");

// Holds the device's install mutex while it lives, waiting for any other updater that
// holds it. Without a mutex (the platform refuses one), the work is done all the same.
class OneUpdaterAtATime {
 public:
  OneUpdaterAtATime() : mutex_(CreateMutexW(nullptr, FALSE, kInstallMutexName)) {
    // WAIT_ABANDONED: an updater ended in the middle of its work; it is ours now, and
    // the deliveries it set aside are attempted again.
    const DWORD waited = mutex_ == nullptr ? WAIT_FAILED : WaitForSingleObject(mutex_, INFINITE);
    owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  }
  OneUpdaterAtATime(const OneUpdaterAtATime&) = delete;
  OneUpdaterAtATime& operator=(const OneUpdaterAtATime&) = delete;
  ~OneUpdaterAtATime() {
    if (owned_) ReleaseMutex(mutex_);
    if (mutex_ != nullptr) CloseHandle(mutex_);
  }

 private:
  const HANDLE mutex_;
  bool owned_ = false;
};

// Job 1: installs every delivered product of a folder.
void UnpackProducts(CommandLine& commandLine) {
  const String folder = ExpandFolderMacros(commandLine.GetOptionValue(TEXT("-unpackProduct")));
  if (folder.length <= 0 || !PathExists(folder)) return;
  const OneUpdaterAtATime installing;
  // Only pkgtool try asks for an account of the run.
  const std::unique_ptr<ObservationLog> log =
      commandLine.IndexOfOption(ObservationLog::kOption) >= 0
          ? ObservationLog::Create(commandLine.GetOptionValue(ObservationLog::kOption))
          : nullptr;
  // Listed once, before the first installation: files that appear meanwhile wait for the
  // next run, and a listed file that has gone is still handed over. Deliveries that an
  // earlier run set aside come first, so that a newer delivery of the same product is
  // installed after them.
  System::Text::StringBuilder exhausted;
  System::Text::StringBuilder retried;
  System::Text::StringBuilder delivered;
  ListFiles(folder, String(kLastAttemptPattern), exhausted, true);
  ListFiles(folder, String(kFirstAttemptPattern), retried, true);
  ListFiles(folder, String(kDeliveryPattern), delivered, true);
  for (std::int32_t i = 0; i < exhausted.Count(); ++i) DiscardProduct(*exhausted.ItemAt(i));
  for (std::int32_t i = 0; i < retried.Count(); ++i) RetryProduct(*retried.ItemAt(i), log.get());
  for (std::int32_t i = 0; i < delivered.Count(); ++i) {
    const String path(*delivered.ItemAt(i));
    InstallProduct(path, log.get());
  }
}

// Job 2: creates one shortcut.
void CreateOneShortcut(CommandLine& commandLine) {
  const String target = ExpandFolderMacros(commandLine.GetOptionValue(TEXT("-targetFilename")));
  const String shortcut = ExpandFolderMacros(commandLine.GetOptionValue(TEXT("-shortcutFilename")));
  CreateShortcut(target, shortcut);
}

}  // namespace

void UpdaterMain(const WCHAR* commandLineText) {
  // Each installation handles memory running out by itself; should it happen around
  // them (listing the folder), the job ends there, silently, as every failure does.
  try {
    CommandLine commandLine(commandLineText);
    if (commandLine.IndexOfOption(TEXT("-unpackProduct")) >= 0) {
      UnpackProducts(commandLine);
    } else if (commandLine.IndexOfOption(TEXT("-createShortcut")) >= 0) {
      CreateOneShortcut(commandLine);
    }
  } catch (const std::bad_alloc&) {
  }
}
