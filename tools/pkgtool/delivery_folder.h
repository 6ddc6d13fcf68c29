// The products of a delivery folder on the host, taken as the updater takes the "*.gz"
// files of the folder it installs from: regular files whose names end in ".gz" in any
// letter case, not hidden (a leading dot, or the hidden bit of `user.DOSATTRIB`), in the
// device's listing order (names compared without regard to case). Links and names that
// can be no device name are passed over: the device does not see them.
#pragma once

#include <string>
#include <vector>

namespace pkgtool {

// Whether `hostPath` is a folder (a link to one counts).
bool IsFolder(const std::string& hostPath);

// The host paths of the deliveries in `folder`, in the order the updater installs them.
// False with *error set when the folder cannot be read or holds no delivery.
bool ListDeliveries(const std::string& folder, std::vector<std::string>* deliveries,
                    std::string* error);

// The products that command arguments name: a folder stands for its deliveries
// (ListDeliveries), anything else for itself. False with *error set as ListDeliveries.
bool ExpandProducts(const std::vector<std::string>& arguments, std::vector<std::string>* products,
                    std::string* error);

}  // namespace pkgtool
