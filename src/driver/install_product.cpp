#include "driver/install_product.h"

#include <memory>
#include <new>
#include <optional>

#include "driver/delivery.h"
#include "install/install_script.h"
#include "install/script_words.h"
#include "package/gzip_expansion.h"
#include "package/resource_package.h"
#include "system/ansi_string.h"
#include "xml/xml_parser.h"

namespace {

using script_words::kScriptEntry;

// The memory of the install scripts loaded at this moment: an installation and the
// nested ones it runs share one budget, so that nesting cannot multiply it.
std::size_t loadedScriptBytes = 0;

// One script's share of the budget while its installation runs.
class ScriptBudget {
 public:
  ScriptBudget() = default;
  ScriptBudget(const ScriptBudget&) = delete;
  ScriptBudget& operator=(const ScriptBudget&) = delete;
  ~ScriptBudget() { loadedScriptBytes -= taken_; }

  static bool FitsAlone(std::size_t bytes) { return bytes <= kMaxLoadedScriptBytes; }
  static bool Fits(std::size_t bytes) { return loadedScriptBytes + bytes <= kMaxLoadedScriptBytes; }
  // Takes `bytes` more. REQUIRES: Fits(bytes).
  void Take(std::size_t bytes) {
    taken_ += bytes;
    loadedScriptBytes += bytes;
  }
  // Gives back `bytes` of the share.
  void Return(std::size_t bytes) {
    taken_ -= bytes;
    loadedScriptBytes -= bytes;
  }

 private:
  std::size_t taken_ = 0;
};

// One product from its expanded package file to the removal of that file: the package,
// and its script, loaded within the budget.
class Installation {
 public:
  Installation(const String& packagePath, const InstallScript::Setting& setting)
      : packagePath_(packagePath) {
    AnsiString narrowPath;
    narrowPath.AssignFromWide(packagePath.data, packagePath.length);
    package_ = std::make_unique<System::IO::ResourcePackage>(
        narrowPath.data == nullptr ? "" : narrowPath.data);
    const AnsiString text = ReadScript();
    script_.emplace(text, package_.get(), setting);
    // The tree has copies of all it needs: the text's share goes with the text.
    budget_.Return(static_cast<std::size_t>(text.length));
  }
  Installation(const Installation&) = delete;
  Installation& operator=(const Installation&) = delete;
  // The package file goes, once the package is closed.
  ~Installation() { RemovePackage(); }

  // Only the budget shared with the installations around this one refused the script:
  // nothing of it was begun.
  bool deferred() const { return deferred_; }

  // Runs the script. True when the product's files are in place.
  bool Run() {
    const bool installed = script_->Run();
    // The package goes (closing its file) before its file is deleted and before the
    // script is torn down.
    RemovePackage();
    return installed;
  }

 private:
  // The text of the package's script, the budget taken for it and its tree; empty when
  // there is none, when it is too large to load, or when it is deferred.
  AnsiString ReadScript() {
    const System::IO::PackageEntry* entry = package_->FindEntry(kScriptEntry);
    if (entry == nullptr || entry->size > kMaxInstallScriptSize) return AnsiString();
    const auto size = static_cast<std::size_t>(entry->size);
    if (!ScriptBudget::Fits(size)) {
      deferred_ = true;  // the text alone always fits; it is the scripts around it
      return AnsiString();
    }
    budget_.Take(size);
    AnsiString text = package_->ReadEntry(kScriptEntry);
    const auto tree = static_cast<std::size_t>(XmlParser::Measure(text).Bytes());
    if (!ScriptBudget::FitsAlone(size + tree)) return AnsiString();
    if (!ScriptBudget::Fits(tree)) {
      deferred_ = true;
      return AnsiString();
    }
    budget_.Take(tree);
    return text;
  }

  void RemovePackage() {
    if (package_ == nullptr) return;
    package_.reset();
    DeleteFileW(packagePath_.data);
  }

  const String& packagePath_;
  ScriptBudget budget_;
  std::unique_ptr<System::IO::ResourcePackage> package_;
  std::optional<InstallScript> script_;  // after the package, so that it goes first
  bool deferred_ = false;
};

// Expands `delivery` into the package file; when that fails, a package file that this
// expansion wrote is removed (a file that was there and was never opened stays).
bool Expand(const String& delivery, const String& packagePath) {
  bool opened = false;
  if (ExpandGzipFile(delivery, packagePath, &opened) != 0) return true;
  if (opened) DeleteFileW(packagePath.data);
  return false;
}

// Renames `from` to `to`, replacing a file that an earlier run left there.
bool SetAside(const String& from, const String& to) {
  if (MoveFileW(from.data, to.data)) return true;
  const DWORD error = GetLastError();
  return (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) &&
         DeleteAndRenameFile(to.data, from.data);
}

}  // namespace

namespace {

// Tells the observer, if any, of the installation of one delivery, and how it ended.
class ObservedInstallation {
 public:
  ObservedInstallation(const String& deliveredPath, InstallObserver* observer, int depth)
      : observer_(observer) {
    if (observer_ != nullptr) observer_->InstallationBegun(deliveredPath, depth);
  }
  ObservedInstallation(const ObservedInstallation&) = delete;
  ObservedInstallation& operator=(const ObservedInstallation&) = delete;
  ~ObservedInstallation() {
    if (observer_ != nullptr) observer_->InstallationEnded(outcome_);
  }

  InstallOutcome End(InstallOutcome outcome) { return outcome_ = outcome; }

 private:
  InstallObserver* const observer_;
  InstallOutcome outcome_ = InstallOutcome::kOutOfMemory;
};

InstallOutcome Ran(bool installed) {
  return installed ? InstallOutcome::kInstalled : InstallOutcome::kNotInstalled;
}

}  // namespace

InstallOutcome InstallProduct(const String& deliveredPath, InstallObserver* observer, int depth) {
  ObservedInstallation observed(deliveredPath, observer, depth);
  const String packagePath = StripExtension(deliveredPath);
  const String setAside = SetAsidePath(deliveredPath, 1);
  bool keptAside = false;
  try {
    if (!Expand(deliveredPath, packagePath)) {
      return observed.End(InstallOutcome::kNotExpanded);  // kept for a later run
    }
    Installation installation(packagePath, {depth, observer});
    if (installation.deferred()) {
      return observed.End(InstallOutcome::kDeferred);  // the delivery stays as it is
    }
    // Set aside rather than deleted, so that an installation that does not finish keeps
    // its delivery for one more attempt; where it cannot be, it is deleted as before.
    keptAside = SetAside(deliveredPath, setAside);
    if (!keptAside) DeleteFileW(deliveredPath.data);
    const bool installed = installation.Run();
    if (installed && keptAside) DeleteFileW(setAside.data);
    return observed.End(Ran(installed));
  } catch (const std::bad_alloc&) {
    // Memory ran out: the installation ends here, its package file gone, and the
    // delivery waits set aside, so that it is attempted once more and no more.
    DeleteFileW(packagePath.data);
    if (!keptAside) SetAside(deliveredPath, setAside);
    return observed.End(InstallOutcome::kOutOfMemory);
  }
}

void RetryProduct(const String& setAsidePath, InstallObserver* observer) {
  const String deliveredPath = StripExtension(setAsidePath);
  ObservedInstallation observed(deliveredPath, observer, 0);
  const String packagePath = StripExtension(deliveredPath);
  // Marked as the last attempt before it begins: should this one not end either (a
  // product that resets the device), the next run discards it.
  const String lastAttempt = SetAsidePath(deliveredPath, 2);
  if (!SetAside(setAsidePath, lastAttempt)) {
    DeleteFileW(setAsidePath.data);
    observed.End(InstallOutcome::kNotExpanded);
    return;
  }
  try {
    if (!Expand(lastAttempt, packagePath)) {
      observed.End(InstallOutcome::kNotExpanded);
    } else {
      Installation installation(packagePath, {0, observer});
      // A nested script that no longer fits beside the others is not retried either.
      observed.End(installation.deferred() ? InstallOutcome::kDeferred : Ran(installation.Run()));
    }
  } catch (const std::bad_alloc&) {
    DeleteFileW(packagePath.data);
    observed.End(InstallOutcome::kOutOfMemory);
  }
  DeleteFileW(lastAttempt.data);
}

void DiscardProduct(const String& setAsidePath) {
  DeleteFileW(StripExtension(StripExtension(setAsidePath)).data);
  DeleteFileW(setAsidePath.data);
}
