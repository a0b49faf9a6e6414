// The libcurl easy handle of web delivery, and the mapping of its failures.
#include "excreport/delivery/curl_transfer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "excreport/delivery/web_error_text.h"

namespace kestrova {
namespace {

// Time to connect, and time a transfer may stall (less than one byte a second) before failing.
constexpr long kConnectTimeoutSecs = 60;
constexpr long kStallTimeoutSecs = 60;

// The answer's body means nothing to an upload; without a sink libcurl would print it.
std::size_t DiscardBody(char*, std::size_t size, std::size_t count, void*) { return size * count; }

bool StartLibrary() {
  static std::once_flag once;
  static bool started = false;
  std::call_once(once, [] { started = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
  return started;
}

}  // namespace

bool TCurlTransfer::LibraryOffers(std::string_view protocol) {
  if (!StartLibrary()) return false;
  const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
  if (info == nullptr || info->protocols == nullptr) return false;
  for (const char* const* offered = info->protocols; *offered != nullptr; ++offered) {
    if (protocol == *offered) return true;
  }
  return false;
}

TCurlTransfer::TCurlTransfer(const char* allowedProtocols) : curl_(curl_easy_init()) {
  if (curl_ == nullptr) return;
  curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, errorBuffer_);
  curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &DiscardBody);
  curl_easy_setopt(curl_, CURLOPT_PROTOCOLS_STR, allowedProtocols);
  curl_easy_setopt(curl_, CURLOPT_USERAGENT, "Quillmark");
  curl_easy_setopt(curl_, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(curl_, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSecs);
  curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_TIME, kStallTimeoutSecs);
}

TCurlTransfer::~TCurlTransfer() {
  if (curl_ != nullptr) curl_easy_cleanup(curl_);
}

void TCurlTransfer::SetUploadBytes(const std::string& bytes,
                                   std::function<void(std::int64_t)> onBlock) {
  body_ = &bytes;
  offset_ = 0;
  onBlock_ = std::move(onBlock);
  curl_easy_setopt(curl_, CURLOPT_READFUNCTION, &TCurlTransfer::ReadBlock);
  curl_easy_setopt(curl_, CURLOPT_READDATA, this);
  curl_easy_setopt(curl_, CURLOPT_SEEKFUNCTION, &TCurlTransfer::SeekBody);
  curl_easy_setopt(curl_, CURLOPT_SEEKDATA, this);
}

void TCurlTransfer::TrustCaFile(const std::string& caFile) {
  if (!caFile.empty()) {
    curl_easy_setopt(curl_, CURLOPT_CAINFO, caFile.c_str());
    curl_easy_setopt(curl_, CURLOPT_CAPATH, nullptr);
  }
}

CURLcode TCurlTransfer::Perform() {
  errorBuffer_[0] = '\0';
  return curl_easy_perform(curl_);
}

TWebResult TCurlTransfer::Failure(CURLcode code) const {
  const int webCode = WebErrorCodeOf(code);
  return {webCode, WebErrorText(webCode, errorBuffer_)};
}

std::size_t TCurlTransfer::ReadBlock(char* buffer, std::size_t size, std::size_t count,
                                     void* self) {
  auto* transfer = static_cast<TCurlTransfer*>(self);
  const std::string& body = *transfer->body_;
  const std::size_t length = std::min(
      {size * count, static_cast<std::size_t>(kUploadBlock), body.size() - transfer->offset_});
  if (length == 0) return 0;
  std::memcpy(buffer, body.data() + transfer->offset_, length);
  transfer->offset_ += length;
  if (transfer->onBlock_) transfer->onBlock_(static_cast<std::int64_t>(transfer->offset_));
  return length;
}

// libcurl rewinds the body when it has to send it again on a fresh connection.
int TCurlTransfer::SeekBody(void* self, curl_off_t offset, int origin) {
  auto* transfer = static_cast<TCurlTransfer*>(self);
  if (origin != SEEK_SET || offset < 0 ||
      static_cast<std::size_t>(offset) > transfer->body_->size()) {
    return CURL_SEEKFUNC_CANTSEEK;
  }
  transfer->offset_ = static_cast<std::size_t>(offset);
  return CURL_SEEKFUNC_OK;
}

int WebErrorCodeOf(CURLcode code) {
  switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
      return 12002;
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_UPLOAD_FAILED:
    case CURLE_QUOTE_ERROR:
      return 12003;
    case CURLE_URL_MALFORMAT:
      return 12005;
    case CURLE_UNSUPPORTED_PROTOCOL:
      return 12006;
    case CURLE_COULDNT_RESOLVE_HOST:
      return 12007;
    case CURLE_LOGIN_DENIED:
      return 12015;
    case CURLE_COULDNT_CONNECT:
      return 12029;
    case CURLE_SEND_ERROR:
      return 12030;
    case CURLE_RECV_ERROR:
      return 12031;
    case CURLE_SSL_CERTPROBLEM:
      return 12044;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
      return 12045;
    case CURLE_PARTIAL_FILE:
      return 12111;
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_FTP_PORT_FAILED:
      return 12112;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_GOT_NOTHING:
      return 12152;
    case CURLE_COULDNT_RESOLVE_PROXY:
      return 12165;
    case CURLE_SSL_INVALIDCERTSTATUS:
      return 12170;
    case CURLE_SSL_CONNECT_ERROR:
      return 12171;
    default:
      return 12004;
  }
}

}  // namespace kestrova
