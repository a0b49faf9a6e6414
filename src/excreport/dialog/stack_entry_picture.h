// Which picture marks a call stack entry in the report dialog.
#pragma once

#include <string_view>

#include "excreport/report/report_data.h"

namespace kestrova {

enum class StackEntryPicture {
  OwnUnit,         // the program's own code
  ToolkitUnit,     // the GUI toolkit's libraries
  Library,         // any other shared library
  RuntimePackage,  // the C and C++ run-time libraries
};

// Entries resolved by debug information and entries in the program's executable (`programPath`)
// are the program's own; other modules are told apart by their file names.
StackEntryPicture PictureOf(const StackEntry& entry, std::string_view programPath);

}  // namespace kestrova
