// FtpReportFiles: each of the report's files stored on an FTP server in one session.
#include "excreport/delivery/curl_transfer.h"
#include "excreport/delivery/upload_files.h"
#include "excreport/delivery/web_upload.h"

namespace kestrova {
namespace {

// The URL of the server's root.
std::string ServerUrl(const TUploadTarget& target) {
  std::string url = "ftp://" + target.host;
  if (target.port != 0) url += ":" + std::to_string(target.port);
  return url + "/";
}

// A path as a URL carries it: each segment percent-encoded, the "/" kept.
std::string EncodedPath(CURL* curl, const std::string& path) {
  std::string encoded;
  std::size_t start = 0;
  while (true) {
    const std::size_t slash = path.find('/', start);
    const std::string segment = path.substr(start, slash - start);
    if (char* escaped = curl_easy_escape(curl, segment.c_str(), static_cast<int>(segment.size()))) {
      encoded += escaped;
      curl_free(escaped);
    }
    if (slash == std::string::npos) return encoded;
    encoded += '/';
    start = slash + 1;
  }
}

// The name the server stores a file under: the path, a "/" unless it ends with one, the name.
std::string RemoteName(const std::string& path, const std::string& sendName) {
  return path.ends_with('/') ? path + sendName : path + "/" + sendName;
}

}  // namespace

TWebResult FtpReportFiles(const TUploadTarget& target, const TUploadFiles& files,
                          const TUploadProgress& progress) {
  if (files.paths.empty()) return {};
  if (!TCurlTransfer::LibraryOffers("ftp")) return {kWebLibraryMissing, {}};
  TCurlTransfer transfer("ftp");
  if (!transfer.Valid()) return {kWebLibraryMissing, {}};

  const std::vector<TExistingFile> existing = ExistingFiles(files);
  std::int64_t total = 0;
  for (const TExistingFile& file : existing) total += file.size;
  const auto report = [&progress, total](TUploadProgressKind kind, std::int64_t done) {
    if (progress) progress(kind, total, done);
  };
  report(upStarting, 0);

  // Connecting and logging in: a request for the root that transfers nothing. The files then
  // go over the same session.
  CURL* curl = transfer.Handle();
  if (!target.user.empty()) {
    curl_easy_setopt(curl, CURLOPT_USERNAME, target.user.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, target.password.c_str());
  }
  const std::string root = ServerUrl(target);
  curl_easy_setopt(curl, CURLOPT_URL, root.c_str());
  curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  if (const CURLcode connected = transfer.Perform(); connected != CURLE_OK) {
    return transfer.Failure(connected);
  }
  report(upConnected, 0);

  // Each file is stored under its whole remote name, without changing folders, as given.
  curl_easy_setopt(curl, CURLOPT_NOBODY, 0L);
  curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
  curl_easy_setopt(curl, CURLOPT_TRANSFERTEXT, 0L);
  for (const TExistingFile& file : existing) {
    std::string bytes;
    try {
      bytes = ReadUploadFile(file.path);
    } catch (const EFileError& e) {
      return FileFailure(e);
    }
    const std::string url = root + EncodedPath(curl, RemoteName(target.path, file.sendName));
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(bytes.size()));
    transfer.SetUploadBytes(bytes, [&report](std::int64_t sent) { report(upBlockSent, sent); });
    if (const CURLcode stored = transfer.Perform(); stored != CURLE_OK) {
      return transfer.Failure(stored);
    }
  }
  return {};
}

}  // namespace kestrova
