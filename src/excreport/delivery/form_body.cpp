// The multipart form of the HTTP upload.
#include "excreport/delivery/form_body.h"

#include <algorithm>
#include <cstdio>

namespace kestrova {

std::string MakeFormBoundary(const TRandomBelow& randomBelow) {
  std::string boundary(27, '-');
  for (int group = 0; group < 3; ++group) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%.4X", static_cast<unsigned>(randomBelow(65535)));
    boundary += digits;
  }
  return boundary;
}

std::string FormContentHeader(const std::string& boundary) {
  return "Content-Type: multipart/form-data; boundary=" + boundary;
}

std::string BuildFormBody(const std::string& boundary, const std::vector<std::string>& fieldNames,
                          const std::vector<std::string>& fieldValues,
                          const std::vector<TFormFilePart>& files) {
  std::string body;
  const std::size_t fields = std::min(fieldNames.size(), fieldValues.size());
  for (std::size_t i = 0; i < fields; ++i) {
    body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + fieldNames[i] +
            "\";\r\n\r\n" + fieldValues[i] + "\r\n";
  }
  for (const TFormFilePart& file : files) {
    body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"qm_upload_file_" +
            std::to_string(file.index) + "\"; filename=\"" + file.sendName +
            "\";\r\nContent-Type: application/octet-stream\r\n\r\n";
    body += file.bytes;
    body += "\r\n";
  }
  body += "--" + boundary + "--\r\n";
  return body;
}

}  // namespace kestrova
