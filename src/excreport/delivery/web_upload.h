// PostReportFiles and FtpReportFiles: web delivery of a report's files over HTTP(S) and FTP.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "excreport/delivery/form_body.h"

namespace kestrova {

// Where the files go. The port, user and password are the options' upload values, not the
// ones an address may hold (SplitUploadUrl).
struct TUploadTarget {
  std::string host;
  std::string path;  // without leading "/", as SplitUploadUrl gives it
  std::string user, password;
  std::int32_t port = 0;      // 0: the protocol's usual port
  std::string trustedCaFile;  // certificates to trust for HTTPS; empty: the system's store
};

// The files to send and, paired by index, the names they are sent under. Files that do not
// exist (or are no regular files) are skipped.
struct TUploadFiles {
  std::vector<std::string> paths;
  std::vector<std::string> sendNames;
};

// Form fields of the HTTP upload, paired by index.
struct TUploadFields {
  std::vector<std::string> names, values;
};

enum TUploadProgressKind : int {
  upStarting = 0,   // before connecting
  upConnected = 1,  // connected (and for FTP logged in)
  upBlockSent = 2,  // after each block of 1024 bytes
};

// (kind, total bytes, bytes done); done counts the whole body for HTTP, the current file for FTP.
using TUploadProgress =
    std::function<void(TUploadProgressKind kind, std::int64_t total, std::int64_t done)>;

struct TWebResult {
  // 0 success; kWebLibraryMissing; an upload error code (12002 to 12171, see WebErrorText);
  // an HTTP status other than 200; kWebStatusNotANumber; or errno when a file could not be read.
  int code = 0;
  std::string errorText;  // what went wrong, when the code is not 0; may be empty
};

inline constexpr int kWebLibraryMissing = -1;
inline constexpr int kWebStatusNotANumber = 2147483647;
// The library that web delivery needs, for the message of kWebLibraryMissing.
inline constexpr const char* kWebLibraryName = "libcurl";
// Size of the blocks in which bodies and files are written.
inline constexpr std::int64_t kUploadBlock = 1024;

// POSTs the fields and the existing files as one multipart form (agent "Quillmark", Basic
// authorisation when a user or password is set, no redirects, no cookies, certificates
// verified) and reports the progress. Status 200 gives 0; another status gives that status
// with its status text. Blocks the calling thread; never raises.
TWebResult PostReportFiles(const TUploadTarget& target, bool secure, const TUploadFields& fields,
                           const TUploadFiles& files, const TRandomBelow& randomBelow,
                           const TUploadProgress& progress = {});

// Logs in once and stores each existing file as path + "/" + its send name, in list order.
// An empty list does nothing and gives 0. Blocks the calling thread; never raises.
TWebResult FtpReportFiles(const TUploadTarget& target, const TUploadFiles& files,
                          const TUploadProgress& progress = {});

}  // namespace kestrova
