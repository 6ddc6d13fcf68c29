// Whether a package's entry names decode under the name it is opened by, and when they
// do not, a name under which they do.
//
// Names are scrambled with one of 256 keys, and every product has an entry of a known
// plain name, InstallScript.xml: the key under which one of its entries decodes to that
// name is the key the package was made with, for certain. A file name for that key is
// not - many names share a key - so only likely names are tried (the opened name in
// other letter cases or without a version suffix, the product's program and folder as its
// script gives them), and one is named only when its key is that key, which makes the
// names decode under it.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "package_view.h"

namespace pkgtool {

struct DeliveredName {
  enum class Fit {
    kDecodes,          // the script decodes, or nothing says the names are wrong
    kMadeForAnother,   // certain: the script decodes under another key
    kNamesAreNotText,  // no script under any key, and most names are not text
  };
  Fit fit = Fit::kDecodes;
  // With kMadeForAnother: a file name (UTF-8, without ".gz") under which the names
  // decode; empty when no likely name has the key.
  std::string readsAs;

  bool decodes() const { return fit == Fit::kDecodes; }
  // One line on why the names do not decode under `openedAs`, and the name they decode
  // under when known, with the --as that reads it so unless `nested` (a product inside a
  // package, delivered by its script). Only for a fit other than kDecodes.
  std::string Describe(const std::string& openedAs, bool nested = false) const;
};

DeliveredName CheckDeliveredName(PackageView& view);

// Opens a package to read its entries (list, extract, show, diff): a whole one, whose
// names decode under the name it is opened by. Without a script to tell, a name given by
// --as is taken at its word. Null with *error set (one line) otherwise.
std::unique_ptr<PackageView> OpenDecoded(const std::string& file,
                                         const std::optional<std::string>& asName,
                                         std::string* error);

}  // namespace pkgtool
