// COM for the Windows code: a counted reference, and COM for the calling thread while an object
// lives. Windows only.
#pragma once

#include <objbase.h>

#include <utility>

namespace tarnwick {

// One counted reference to a COM object, released when replaced or destroyed.
template <typename T>
class ComRef {
 public:
  ComRef() = default;
  explicit ComRef(T* adopted) : object_(adopted) {}
  ~ComRef() { reset(); }
  ComRef(ComRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ComRef& operator=(ComRef&& other) noexcept {
    if (this != &other) {
      reset();
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;

  void reset() {
    if (object_) std::exchange(object_, nullptr)->Release();
  }
  // For a call that hands out a new reference; drops the one held.
  T** put() {
    reset();
    return &object_;
  }
  // The same, for calls typed void** (CoCreateInstance, QueryInterface).
  void** putVoid() { return reinterpret_cast<void**>(put()); }
  [[nodiscard]] T* get() const { return object_; }
  T* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
};

// COM on the calling thread in `model` for as long as this lives. A thread that has COM already
// (in either model) keeps it as it was; this only balances a start it made itself.
class ComApartment {
 public:
  explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED) : result_(CoInitializeEx(nullptr, model)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  // COM can be used on this thread, whoever started it.
  [[nodiscard]] bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT result_;
};

}  // namespace tarnwick
