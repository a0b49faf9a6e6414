// SendByWeb: the report's files posted over HTTP(S) or stored over FTP.
#include <cmath>

#include "excreport/delivery/send_context.h"
#include "excreport/delivery/upload_url.h"
#include "excreport/delivery/web_upload.h"
#include "excreport/report/random_draw.h"

namespace kestrova {
namespace {

constexpr int kConnectingText = 78;
constexpr int kConnectedText = 79;
constexpr int kSendingText = 80;

struct WebProtocol {
  const char* name;
  TQuillmarkErrorCode code;
};

WebProtocol ProtocolOf(int uploadMode) {
  if (uploadMode == 1) return {"HTTP", TQuillmarkErrorCode::eeWebHTTPError};
  if (uploadMode == 2) return {"HTTPS", TQuillmarkErrorCode::eeWebHTTPSError};
  return {"FTP", TQuillmarkErrorCode::eeWebFTPError};
}

// "HTTP error code: 404 (Not Found)", or for a missing library
// "HTTP error code: -1 - Cannot find the "libcurl" library.".
std::string WebFailureText(const char* protocol, const TWebResult& result) {
  std::string text = std::string(protocol) + " error code: " + std::to_string(result.code);
  if (!result.errorText.empty()) {
    text += " (" + result.errorText + ")";
  } else if (result.code == kWebLibraryMissing) {
    text += std::string(" - Cannot find the \"") + kWebLibraryName + "\" library.";
  }
  return text;
}

TUploadProgress ProgressDisplay(SendProgressFeed* progress, const TQuillModuleOptions& options) {
  if (progress == nullptr) return {};
  return [progress, &options](TUploadProgressKind kind, std::int64_t total, std::int64_t done) {
    switch (kind) {
      case upStarting:
        progress->SetPosition(0);
        progress->SetStatus(options.Text(kConnectingText));
        break;
      case upConnected:
        progress->SetStatus(options.Text(kConnectedText));
        break;
      case upBlockSent:
        progress->SetStatus(options.Text(kSendingText));
        progress->SetPosition(total > 0 ? static_cast<int>(std::lround(100.0 * done / total)) : 100);
        break;
    }
  };
}

TWebResult Upload(SendContext& context, SendProgressFeed* progress) {
  const TQuillModuleOptions& options = context.Options;
  TUploadUrlParts parts;
  SplitUploadUrl(options.UploadTarget(), parts);
  TUploadTarget target;
  target.host = parts.host;
  target.path = parts.path;
  // UploadPort wins; without one the address's own port is used.
  target.port = options.UploadPort() != 0 ? options.UploadPort() : parts.port;
  target.user = options.UploadUser();
  target.password = options.UploadPassword();
  const TUploadFiles files{context.Files, context.SendNames()};
  const TUploadProgress display = ProgressDisplay(progress, options);
  const int mode = options.UploadMode();
  if (mode != 1 && mode != 2) return FtpReportFiles(target, files, display);
  // Each attempt asks for the fields afresh, so that a retry does not send them twice.
  context.WebFieldNames.clear();
  context.WebFieldValues.clear();
  FireEvent(&TQuillmarkEvents::OnCustomWebFieldsRequest, context.Request.Record, context.Services.RunEvent,
            context.WebFieldNames, context.WebFieldValues);
  if (context.Files.empty()) return {};
  const TUploadFields fields{context.WebFieldNames, context.WebFieldValues};
  return PostReportFiles(target, mode == 2, fields, files, [](std::int32_t range) { return RandomDraw(range); },
                         display);
}

}  // namespace

bool SendByWeb(SendContext& context) {
  context.GoAhead = true;
  context.FireAction(kActionBeforeWeb, context.GoAhead);
  if (!context.GoAhead) return false;
  do {
    context.GoAhead = false;
    const std::unique_ptr<SendProgressFeed> progress = context.OpenProgress();
    const TWebResult result = Upload(context, progress.get());
    if (progress) progress->EndOfSending();
    if (result.code == 0) {
      context.GoAhead = true;
    } else {
      const WebProtocol protocol = ProtocolOf(context.Options.UploadMode());
      context.Warn({protocol.code, protocol.name, WebFailureText(protocol.name, result)}, progress != nullptr);
    }
    context.Retry = false;
    if (!context.GoAhead) context.FireAction(kActionAfterWeb, context.Retry);
  } while (context.Retry);
  context.FireAction(kActionAfterWeb, context.GoAhead);
  return context.GoAhead;
}

}  // namespace kestrova
