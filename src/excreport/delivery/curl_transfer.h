// TCurlTransfer: one libcurl easy handle set up the way web delivery uses it.
#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "excreport/delivery/web_upload.h"

namespace kestrova {

// Owned by one upload on one thread; successive transfers on it reuse the connection. Sets the
// agent "Quillmark", no signals, HTTP/1.1, certificate checks on, time limits for connecting and
// for stalled transfers. Failures come back as CURLcode and become results through Failure().
class TCurlTransfer final {
 public:
  // True when the library started and offers the protocol ("http", "https" or "ftp").
  static bool LibraryOffers(std::string_view protocol);

  // allowedProtocols as CURLOPT_PROTOCOLS_STR takes it, e.g. "http,https".
  explicit TCurlTransfer(const char* allowedProtocols);
  ~TCurlTransfer();
  TCurlTransfer(const TCurlTransfer&) = delete;
  TCurlTransfer& operator=(const TCurlTransfer&) = delete;

  // False when no handle could be made; nothing else may be called then.
  bool Valid() const { return curl_ != nullptr; }
  CURL* Handle() const { return curl_; }

  // The next transfer sends bytes (which must outlive it) in blocks of kUploadBlock; after each
  // block, onBlock gets the count handed over so far.
  void SetUploadBytes(const std::string& bytes, std::function<void(std::int64_t)> onBlock);
  // Trust only the certificates of this file (empty: the system's store).
  void TrustCaFile(const std::string& caFile);

  // Runs the transfer set up so far.
  CURLcode Perform();
  // The result of a failed transfer: its upload error code and text.
  TWebResult Failure(CURLcode code) const;

 private:
  static std::size_t ReadBlock(char* buffer, std::size_t size, std::size_t count, void* self);
  static int SeekBody(void* self, curl_off_t offset, int origin);

  CURL* curl_ = nullptr;
  char errorBuffer_[CURL_ERROR_SIZE] = {};
  const std::string* body_ = nullptr;
  std::size_t offset_ = 0;
  std::function<void(std::int64_t)> onBlock_;
};

// The upload error code (see WebErrorText) that stands for a libcurl failure.
int WebErrorCodeOf(CURLcode code);

}  // namespace kestrova
