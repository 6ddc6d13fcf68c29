// ObservationLog: the updater's account of its own run, for pkgtool try. Written only
// when the hidden option `-observeTo FILE` names a device file; without it the updater
// writes and reports nothing, as ever.
//
// The file holds UTF-16LE lines, one per observation, fields separated by a tab; in a
// field every unit below U+0020 and every '%' is written as '%' and two hex digits:
//   begin   DEPTH  DELIVERED-PATH
//   file    OUTCOME  ENTRY-NAME  TARGET
//   start   started|failed  PROGRAM
//   action  OUTCOME  EVENT  TYPE
//   end     OUTCOME
// with the outcome words of install/install_observer.h (NameOf). A log that cannot be
// written is given up silently: the installation goes on regardless.
#pragma once

#include <memory>

#include "install/install_observer.h"
#include "platform/ce.h"

class ObservationLog : public InstallObserver {
 public:
  // The hidden option, and the field separator and escape of the file.
  static constexpr WCHAR kOption[] = TEXT("-observeTo");
  static constexpr WCHAR kSeparator = '\t';
  static constexpr WCHAR kEscape = '%';

  // Creates (or empties) the device file `path`; null when it cannot be.
  static std::unique_ptr<ObservationLog> Create(const String& path);
  ObservationLog(const ObservationLog&) = delete;
  ObservationLog& operator=(const ObservationLog&) = delete;
  ~ObservationLog() override;

  void InstallationBegun(const String& deliveredPath, int depth) override;
  void FileEntry(const AnsiString& entryName, const String& target, FileOutcome outcome) override;
  void ProductStarted(const String& program, bool started) override;
  void ActionPerformed(const char* event, const char* type, ActionOutcome outcome) override;
  void InstallationEnded(InstallOutcome outcome) override;

 private:
  explicit ObservationLog(ce::FILE* file) : file_(file) {}
  // Writes one line of the given fields; never throws.
  void Write(std::initializer_list<String> fields) noexcept;

  ce::FILE* file_;
};
