// The fixture of the updater's end-to-end tests: deliver products to a throw-away
// device, run the real `updater` program on it, and read back the file tree, the event
// journal and the registry as short strings, so that each expectation fits on a line.
//
// Programs on the device are never run on the host (CE_DEVICE_HOST_EXEC=0); the
// journal still records every start, and whether the program's file was there.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "package/package_writer.h"
#include "platform/ce.h"
#include "testing/temp_device.h"

namespace e2e {

// One product: its install script and the other entries of its package.
struct Product {
  std::string script;
  std::vector<pkg::EntrySource> files = {};
  // Leave out the entry "InstallScript.xml" altogether.
  bool withoutScript = false;
};

// An install script made of the usual sections; an empty argument leaves that element
// (or child) out.
std::string Script(std::string_view appPath, std::string_view exe, std::string_view files,
                   std::string_view actions);

// One action of the script's Actions: <A event="Install.Before" type="TYPE" ATTRIBUTES/>,
// and the same for "Install.After".
std::string Before(std::string_view type, std::string_view attributes = "");
std::string After(std::string_view type, std::string_view attributes = "");

// The package of `product` for the file name `packageName` (the delivered name without
// its last extension), and the same gzip-compressed: the bytes of a delivered file.
// Names are narrow text in the device code page.
std::string PackageBytes(std::string_view packageName, const Product& product);
std::string DeliveryBytes(std::string_view deliveredName, const Product& product);

class UpdaterTest : public ::testing::Test {
 protected:
  // Writes the delivered file `cePath` (such as \Temp\Tool.gz) holding `product`.
  void Deliver(std::u16string_view cePath, const Product& product) const;

  // Runs the updater with `arguments` and checks that it exits with 0 and prints nothing.
  void RunUpdater(const std::vector<std::string>& arguments) const;
  // `updater -unpackProduct FOLDER`.
  void Unpack(const std::string& folder = "\\Temp") const {
    RunUpdater({"-unpackProduct", folder});
  }
  // Delivers and installs \Temp\Tool.gz: a product of \Program Files\Tool that writes
  // Tool.exe there, starts nothing itself and runs `actions`.
  void InstallWithActions(std::string_view actions) const;

  // Every file below `cePath`, as CE paths, sorted; folders are not listed.
  std::vector<std::string> Files(std::u16string_view cePath = u"\\") const;
  // Every folder below `cePath`, as CE paths, sorted.
  std::vector<std::string> Folders(std::u16string_view cePath) const;
  std::string Read(std::u16string_view cePath) const { return device_.ReadFile(cePath); }
  bool Exists(std::u16string_view cePath) const { return device_.Exists(cePath); }

  // The journal, one short line an event:
  //   start \Windows\a.exe [-x]     a program started with the command line -x
  //   missing \Windows\b.exe []     a start that found no program file
  //   message 16 to "Title"         a message to a window
  //   broadcast Kelmora.CloseApp    a registered message to every window
  std::vector<std::string> Events() const;

  // Adds a top-level window and returns its handle.
  std::int64_t AddWindow(std::u16string_view title, std::u16string_view className = u"") const;

  // Applies a .reg text ("REGEDIT4" and keys with full root names) to the registry.
  void ImportRegistry(std::string_view regText) const;
  // The registry, or the subtree of `key` (a full root name, such as
  // HKEY_LOCAL_MACHINE\Software), as a .reg export; "no such key" when it is missing.
  std::string ExportRegistry(std::u16string_view key = u"") const;
  // One value:  sz:"text"  dword:42  type 3: 6 bytes  missing  no key
  std::string Value(HKEY root, std::u16string_view key, std::u16string_view valueName) const;
  // The stored bytes of a value; empty when it is missing.
  std::string ValueBytes(HKEY root, std::u16string_view key, std::u16string_view valueName) const;

  test::TempDevice device_;

 private:
  std::vector<std::string> Below(std::u16string_view cePath, bool folders) const;

  struct StoredValue {
    bool keyExists = false;
    bool exists = false;
    DWORD type = REG_NONE;
    std::string bytes;
  };
  StoredValue ReadValue(HKEY root, std::u16string_view key, std::u16string_view valueName) const;
};

// Shorthands for the journal lines of program starts.
inline std::string Started(std::string_view application, std::string_view commandLine) {
  return "start " + std::string(application) + " [" + std::string(commandLine) + "]";
}
inline std::string Missing(std::string_view application, std::string_view commandLine) {
  return "missing " + std::string(application) + " [" + std::string(commandLine) + "]";
}

}  // namespace e2e
