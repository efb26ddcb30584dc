// SPDX-License-Identifier: GPL-2.0-or-later
// Run-time binding of the sibling libraries (TapHook, HidPort, Velum) by file name.
#pragma once

#include <memory>
#include <string>

class DynamicLibrary {
 public:
  // Loads the library; nothing (and the loader's reason in *error) when it does not load.
  static std::unique_ptr<DynamicLibrary> Open(const std::string& path, std::string* error = nullptr);
  ~DynamicLibrary();
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // The address of an exported entry point, or null.
  void* Symbol(const char* name) const;
  template <typename Fn>
  Fn Resolve(const char* name) const {
    return reinterpret_cast<Fn>(Symbol(name));
  }

 private:
  explicit DynamicLibrary(void* handle) : handle_(handle) {}
  void* handle_;
};

// The platform's file name of a sibling library: "TapHook" gives "libTapHook.so".
std::string SharedLibraryFileName(const std::string& name);
