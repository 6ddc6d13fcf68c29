// ComPtr: owns one reference to a COM interface and releases it on destruction.
#pragma once

#include <utility>

namespace ce::win32 {

template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() {
    if (pointer_ != nullptr) pointer_->Release();
  }

  Interface* operator->() const { return pointer_; }
  Interface* get() const { return pointer_; }
  // For a call that hands out a reference. REQUIRES: empty.
  void** OutParameter() { return reinterpret_cast<void**>(&pointer_); }

 private:
  Interface* pointer_ = nullptr;
};

}  // namespace ce::win32
