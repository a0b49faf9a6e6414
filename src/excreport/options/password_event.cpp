#include "excreport/options/password_event.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace kestrova {
namespace {

constexpr int kShortStringCapacity = 255;

std::mutex& HandlerLock() {
  static std::mutex lock;
  return lock;
}

PasswordRequestHandler& Handler() {
  static PasswordRequestHandler handler;
  return handler;
}

}  // namespace

void SetPasswordRequestHandler(PasswordRequestHandler handler) {
  std::lock_guard guard(HandlerLock());
  Handler() = std::move(handler);
}

std::string RequestExecutablePassword() {
  using Export = void (*)(unsigned char*, int);
  // The executable's own exports; the handle of the main program needs no closing.
  void* program = ::dlopen(nullptr, RTLD_LAZY | RTLD_NOLOAD);
  auto request = program != nullptr ? reinterpret_cast<Export>(::dlsym(program, "Quillmark_PasswordRequestEvent")) : nullptr;
  if (request == nullptr) return {};
  unsigned char buffer[kShortStringCapacity + 1] = {};
  request(buffer, kShortStringCapacity);
  return std::string(reinterpret_cast<const char*>(buffer + 1), buffer[0]);
}

}  // namespace kestrova

extern "C" void Quillmark_PasswordRequestEvent(unsigned char* buffer, int capacity) {
  if (buffer == nullptr) return;
  std::string password;
  try {
    kestrova::PasswordRequestHandler handler;
    {
      std::lock_guard guard(kestrova::HandlerLock());
      handler = kestrova::Handler();
    }
    if (handler) handler(password);
  } catch (...) {
    password.clear();
  }
  const std::size_t length = std::min<std::size_t>(password.size(), std::clamp(capacity, 0, kestrova::kShortStringCapacity));
  buffer[0] = static_cast<unsigned char>(length);
  std::memcpy(buffer + 1, password.data(), length);
}
