// The password-request event that unlocks protected debug information.
#pragma once

#include <functional>
#include <string>

namespace kestrova {

// Called with an empty text; sets the password. Runs on the thread that reads the data block.
using PasswordRequestHandler = std::function<void(std::string& password)>;

// Installs the program's answer to the password request (empty: no password). Thread-safe.
void SetPasswordRequestHandler(PasswordRequestHandler handler);

// Asks the executable's exported "Quillmark_PasswordRequestEvent" for the password, with a
// buffer of 255 characters; empty when the executable exports none.
std::string RequestExecutablePassword();

}  // namespace kestrova

// Exported from the executable by name: raises the password-request event and stores the answer
// as a short string (length byte, then the characters), cut to `capacity` characters (at most
// 255). Exceptions of the handler are swallowed and give an empty answer.
extern "C" __attribute__((visibility("default"))) void Quillmark_PasswordRequestEvent(unsigned char* buffer,
                                                                                      int capacity);
