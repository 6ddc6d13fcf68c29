// Status: the result of an internal platform operation.
//
// OK is cheap; an error carries the CE error code (ERROR_*) that the CE call reports
// through SetLastError, and a message of the form "context: detail" for tools and tests.
// Functions that return a Status and have outputs leave those outputs unspecified on
// failure unless their header says otherwise.
#pragma once

#include <string>
#include <utility>

#include "platform/ce.h"

namespace emu {

class Status {
 public:
  Status() = default;
  static Status Ok() { return Status(); }
  static Status Error(DWORD error, std::string message) {
    return Status(error, std::move(message));
  }

  bool ok() const { return error_ == ERROR_SUCCESS; }
  DWORD error() const { return error_; }
  const std::string& message() const { return message_; }

  // Hands the error code to SetLastError (ERROR_SUCCESS for OK) and returns ok().
  bool Report() const {
    SetLastError(error_);
    return ok();
  }

 private:
  Status(DWORD error, std::string message) : error_(error), message_(std::move(message)) {}

  DWORD error_ = ERROR_SUCCESS;
  std::string message_;
};

}  // namespace emu
