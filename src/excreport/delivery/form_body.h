// The multipart form of the HTTP upload, byte for byte; pure (files are read elsewhere).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kestrova {

// A draw of the process-wide generator: a number in [0, range - 1]. The application passes its
// RandomBelow, so the boundaries follow the same sequence as its other draws.
using TRandomBelow = std::function<std::int32_t(std::int32_t range)>;

// 27 hyphens and three groups of 4 upper-case hexadecimal digits, each group a draw below 65535.
std::string MakeFormBoundary(const TRandomBelow& randomBelow);

// "Content-Type: multipart/form-data; boundary=" + boundary.
std::string FormContentHeader(const std::string& boundary);

// One file part: the index of the file in the upload's list (skipped files count too), the
// name it is sent under and its bytes, sent unchanged.
struct TFormFilePart {
  int index = 0;
  std::string sendName;
  std::string bytes;
};

// The form fields (names and values paired by index, as many as the shorter list has), then the
// file parts, then the closing boundary line.
std::string BuildFormBody(const std::string& boundary, const std::vector<std::string>& fieldNames,
                          const std::vector<std::string>& fieldValues,
                          const std::vector<TFormFilePart>& files);

}  // namespace kestrova
