// Names under which report files are sent and packed: folder stripped, optional time stamp.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace kestrova {

// The part after the last "/", the whole text when there is none.
std::string FileNameWithoutFolder(std::string_view path);

// path with its extension (from the last "." of the file name on) replaced by extension;
// a name without extension gets extension appended.
std::string ReplaceExtension(std::string_view path, std::string_view extension);

// The report time as "yyyymmddhhnnss" (year, month, day, hours, minutes, seconds), from a
// broken-down time as std::localtime_r fills it.
std::string ReportTimeStamp(const std::tm& reportTime);

// The name a file is sent or packed under: its name without folder, and, when timeStamp is not
// empty, "_" + timeStamp inserted before the extension ("Screenshot.png" becomes
// "Screenshot_20240301123456.png").
std::string AttachmentName(std::string_view filePath, std::string_view timeStamp);

}  // namespace kestrova
