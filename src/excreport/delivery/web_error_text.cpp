// The table of upload error texts.
#include "excreport/delivery/web_error_text.h"

#include <array>

namespace kestrova {
namespace {

// Each entry is the 5-digit code, a blank and the text.
constexpr std::array<std::string_view, 46> kWebErrorTexts = {
    "12002 The request has timed out.",
    "12003 An extended error was returned from the server.",
    "12004 An internal error has occurred.",
    "12005 The URL is invalid.",
    "12006 The URL scheme could not be recognized, or is not supported.",
    "12007 The server name could not be resolved.",
    "12013 The supplied user name is incorrect.",
    "12014 The supplied password is incorrect.",
    "12015 The request to connect and log on to the server failed.",
    "12016 The requested operation is invalid.",
    "12020 The request cannot be made via a proxy.",
    "12028 The requested item could not be located.",
    "12029 The attempt to connect to the server failed.",
    "12030 The connection with the server has been terminated.",
    "12031 The connection with the server has been reset.",
    "12033 The request to the proxy was invalid.",
    "12037 The SSL certificate date is invalid: it has expired or is not yet valid.",
    "12038 The SSL certificate common name (host name field) is incorrect.",
    "12039 The connection is moving from a non-SSL to an SSL connection because of a redirect.",
    "12040 The connection is moving from an SSL to a non-SSL connection because of a redirect.",
    "12041 Some of the content may have come from servers that are not secure.",
    "12042 Data is being posted and changed on a server that is not secure.",
    "12043 Data is being posted to a server that is not secure.",
    "12044 The server is requesting client authentication.",
    "12045 The certificate authority is invalid or incorrect.",
    "12052 Data submitted to an SSL connection is being redirected to a non-SSL connection.",
    "12055 The SSL certificate contains errors.",
    "12111 FTP session aborted.",
    "12112 Passive mode is not available on the server.",
    "12133 The end of the data has been reached.",
    "12150 The requested header could not be located.",
    "12151 The server did not return any headers.",
    "12152 The server response could not be parsed.",
    "12153 The supplied header is invalid.",
    "12160 The HTTP request was not redirected.",
    "12161 The HTTP cookie requires confirmation.",
    "12162 The HTTP cookie was declined by the server.",
    "12163 The connection to the network has been lost.",
    "12164 The server is unreachable.",
    "12165 The proxy server cannot be reached.",
    "12166 The automatic proxy configuration script has an error.",
    "12167 The automatic proxy configuration script could not be downloaded.",
    "12168 The redirection requires user confirmation.",
    "12169 The SSL certificate is invalid.",
    "12170 The SSL certificate was revoked.",
    "12171 The function failed due to a security check.",
};

}  // namespace

std::string WebErrorText(int code, std::string_view lastResponse) {
  if (!lastResponse.empty()) return std::string(lastResponse);
  const std::string digits = std::to_string(code);
  for (std::string_view entry : kWebErrorTexts) {
    if (entry.substr(0, 5) == digits) return std::string(entry.substr(6));
  }
  return {};
}

}  // namespace kestrova
