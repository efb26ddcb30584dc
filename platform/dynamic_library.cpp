// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/dynamic_library.h"

#include <dlfcn.h>

std::unique_ptr<DynamicLibrary> DynamicLibrary::Open(const std::string& path, std::string* error) {
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    if (error != nullptr) {
      const char* why = ::dlerror();
      *error = why != nullptr ? why : "unknown error";
    }
    return nullptr;
  }
  return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle));
}

DynamicLibrary::~DynamicLibrary() { ::dlclose(handle_); }

void* DynamicLibrary::Symbol(const char* name) const { return ::dlsym(handle_, name); }

std::string SharedLibraryFileName(const std::string& name) { return "lib" + name + ".so"; }
