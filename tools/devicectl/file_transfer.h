// Copying one file between the host and the device, for `devicectl push` and `pull`.
//
// The device side goes through the device's own file calls, so that a device path is
// resolved as every program on the device resolves it: names ignore case, "." and ".."
// never leave the device, links and other host oddities are not there. Neither copy
// ever leaves half a file: it is written under a temporary name beside its destination
// and renamed into place in one step, replacing a file that is there. A failed copy
// leaves the destination as it was and no temporary behind.
#pragma once

#include <string>

namespace devicectl {

// Copies the host file `hostFile` ("-" for standard input) to the device path `cePath`;
// into it, under the host file's name, when `cePath` is a folder. False with *error set
// ("PATH: reason") on failure; *unreadable tells whether an input could not be read.
bool PushFile(const std::string& hostFile, const std::string& cePath, std::string* error,
              bool* unreadable);

// Copies the device file `cePath` to the host file `hostFile` ("-" for standard
// output); into it, under the device file's name, when `hostFile` is a folder.
bool PullFile(const std::string& cePath, const std::string& hostFile, std::string* error,
              bool* unreadable);

}  // namespace devicectl
