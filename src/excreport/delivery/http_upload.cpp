// PostReportFiles: the report's files as one multipart form, POSTed over HTTP or HTTPS.
#include <algorithm>
#include <charconv>

#include "excreport/delivery/base64.h"
#include "excreport/delivery/curl_transfer.h"
#include "excreport/delivery/upload_files.h"
#include "excreport/delivery/web_upload.h"

namespace kestrova {
namespace {

struct TCurlHeaders {
  curl_slist* list = nullptr;
  ~TCurlHeaders() { curl_slist_free_all(list); }
  void Add(const std::string& line) { list = curl_slist_append(list, line.c_str()); }
};

// The status line of the last response ("HTTP/1.1 404 Not Found"), split into code and text.
struct TStatusLine {
  std::string code, text;

  static std::size_t Take(char* buffer, std::size_t size, std::size_t count, void* self) {
    const std::string_view line(buffer, size * count);
    if (line.starts_with("HTTP/")) static_cast<TStatusLine*>(self)->Parse(line);
    return size * count;
  }

  void Parse(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    const std::size_t codeStart = std::min(line.find(' '), line.size());
    line.remove_prefix(codeStart);
    line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
    const std::size_t codeEnd = std::min(line.find(' '), line.size());
    code = std::string(line.substr(0, codeEnd));
    text = std::string(line.substr(std::min(codeEnd + 1, line.size())));
  }

  // 0 for status 200, the status for others, kWebStatusNotANumber when it is no number.
  int Result() const {
    int status = 0;
    const auto [end, error] = std::from_chars(code.data(), code.data() + code.size(), status);
    if (code.empty() || error != std::errc() || end != code.data() + code.size()) {
      return kWebStatusNotANumber;
    }
    return status == 200 ? 0 : status;
  }
};

// The file parts of the existing files, each at its index in the list. Throws EFileError.
std::vector<TFormFilePart> ReadFileParts(const TUploadFiles& files) {
  std::vector<TFormFilePart> parts;
  for (const TExistingFile& file : ExistingFiles(files)) {
    parts.push_back({file.index, file.sendName, ReadUploadFile(file.path)});
  }
  return parts;
}

std::string RequestUrl(const TUploadTarget& target, bool secure) {
  std::string url = secure ? "https://" : "http://";
  url += target.host;
  if (target.port != 0) url += ":" + std::to_string(target.port);
  return url + "/" + target.path;
}

int Connected(void* progress, char*, char*, int, int) {
  (*static_cast<std::function<void()>*>(progress))();
  return CURL_PREREQFUNC_OK;
}

}  // namespace

TWebResult PostReportFiles(const TUploadTarget& target, bool secure, const TUploadFields& fields,
                           const TUploadFiles& files, const TRandomBelow& randomBelow,
                           const TUploadProgress& progress) {
  if (!TCurlTransfer::LibraryOffers(secure ? "https" : "http")) return {kWebLibraryMissing, {}};
  TCurlTransfer transfer(secure ? "https" : "http");
  if (!transfer.Valid()) return {kWebLibraryMissing, {}};

  const std::string boundary = MakeFormBoundary(randomBelow);
  std::string body;
  try {
    body = BuildFormBody(boundary, fields.names, fields.values, ReadFileParts(files));
  } catch (const EFileError& e) {
    return FileFailure(e);
  }
  const auto total = static_cast<std::int64_t>(body.size());
  const auto report = [&progress, total](TUploadProgressKind kind, std::int64_t done) {
    if (progress) progress(kind, total, done);
  };
  report(upStarting, 0);

  CURL* curl = transfer.Handle();
  const std::string url = RequestUrl(target, secure);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  transfer.TrustCaFile(target.trustedCaFile);
  std::function<void()> connected = [&report] { report(upConnected, 0); };
  curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, &Connected);
  curl_easy_setopt(curl, CURLOPT_PREREQDATA, &connected);

  TCurlHeaders headers;
  headers.Add(FormContentHeader(boundary));
  if (!target.user.empty() || !target.password.empty()) {
    headers.Add("Authorization: Basic " + Base64Text(target.user + ":" + target.password));
  }
  // The request carries only what the form needs: no "Accept", no "Expect: 100-continue".
  headers.Add("Accept:");
  headers.Add("Expect:");
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.list);

  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(total));
  transfer.SetUploadBytes(body, [&report](std::int64_t sent) { report(upBlockSent, sent); });

  TStatusLine status;
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &TStatusLine::Take);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &status);

  const CURLcode performed = transfer.Perform();
  if (performed != CURLE_OK) return transfer.Failure(performed);
  const int result = status.Result();
  if (result == 0) return {};
  return {result, status.text};
}

}  // namespace kestrova
