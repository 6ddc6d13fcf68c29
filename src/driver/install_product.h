// InstallProduct: installs one delivered product file, and the later attempts at a
// delivery whose installation did not finish.
#pragma once

#include <cstdint>

#include "system/wide_string.h"

// Install scripts are kilobytes; a product of 100,000 files has one of a few megabytes.
// The scripts loaded at one time (an installation and the nested ones it runs) share
// this many bytes; a script that does not fit is not read, as if the package had none.
// A tree takes up to a hundred times its script's size in memory, and every level of
// nested installations keeps its own, so a small delivery that expands into a huge
// script must not be parsed.
constexpr std::int32_t kMaxInstallScriptSize = 16 * 1024 * 1024;

// `deliveredPath` is the full path of a delivered file; the caller keeps it. The
// delivery is expanded into the package file beside it (its path without the last
// extension); a delivery that cannot be expanded is kept, and nothing of it is
// installed. Otherwise it is set aside (delivery.h) while the package's script runs and
// deleted, with the package file, once the product's files are in place. When they are
// not, or the updater ends before, it stays set aside for one more attempt
// (RetryProduct). An install script beyond kMaxInstallScriptSize is not read: the
// package counts as one without a script. Reports nothing.
void InstallProduct(const String& deliveredPath);

// The second and last attempt at a delivery that an earlier run set aside
// (`setAsidePath` ends in ".try1"): it is set aside for its last attempt, installed as
// InstallProduct does, and deleted whatever happens.
void RetryProduct(const String& setAsidePath);

// Deletes a delivery whose last attempt did not end (`setAsidePath` ends in ".try2"),
// and the package file that attempt left; nothing of it is installed again.
void DiscardProduct(const String& setAsidePath);
