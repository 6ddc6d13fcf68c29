// InstallProduct: installs one delivered product file, and the later attempts at a
// delivery whose installation did not finish.
#pragma once

#include <cstddef>
#include <cstdint>

#include "install/install_observer.h"
#include "system/wide_string.h"

// Install scripts are kilobytes; a product of 100,000 files has one of a few megabytes.
// A script longer than this is not read: the package counts as one without a script.
constexpr std::int32_t kMaxInstallScriptSize = 16 * 1024 * 1024;

// The memory that the install scripts loaded at one time (an installation and the
// nested ones it runs) may take, each with its text while it is parsed and its tree: a
// tree takes up to a hundred times its text, so a script is measured (XmlParser::Measure)
// before its tree is built. Sized in pointers, which most of a tree is made of, so that
// the same scripts fit everywhere: 20 MiB on the 32-bit handheld, 40 MiB on a 64-bit
// host; a product of 100,000 listed files takes about 35 MiB of it here.
constexpr std::size_t kMaxLoadedScriptBytes = std::size_t{5} * 1024 * 1024 * sizeof(void*);

// `deliveredPath` is the full path of a delivered file; the caller keeps it. The
// delivery is expanded into the package file beside it (its path without the last
// extension); a delivery that cannot be expanded is kept, and nothing of it is
// installed. Otherwise it is set aside (delivery.h) while the package's script runs and
// deleted, with the package file, once the product's files are in place. When they are
// not, or the updater ends before, or memory runs out, it stays set aside for one more
// attempt (RetryProduct).
//
// A script too large to read (kMaxInstallScriptSize) or whose tree would not fit in
// kMaxLoadedScriptBytes on its own is not read: the package counts as one without a
// script. A nested installation whose script would fit on its own but not beside the
// scripts already loaded is not begun: its delivery stays as it is, for a later run.
// Reports nothing but to `observer` (null for none), which is told of this installation
// at `depth` (the Product.Unpack actions around it) and of all that it does; returns
// the outcome it is told.
InstallOutcome InstallProduct(const String& deliveredPath, InstallObserver* observer = nullptr,
                              int depth = 0);

// The second and last attempt at a delivery that an earlier run set aside
// (`setAsidePath` ends in ".try1"): it is set aside for its last attempt, installed as
// InstallProduct does, and deleted whatever happens; `observer` as for InstallProduct.
void RetryProduct(const String& setAsidePath, InstallObserver* observer = nullptr);

// Deletes a delivery whose last attempt did not end (`setAsidePath` ends in ".try2"),
// and the package file that attempt left; nothing of it is installed again.
void DiscardProduct(const String& setAsidePath);
