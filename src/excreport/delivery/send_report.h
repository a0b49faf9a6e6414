// SendReport: the send step of the handling flow, from the report's files to the kept copy.
#pragma once

#include "excreport/delivery/send_context.h"
#include "excreport/flow/report_sender.h"

namespace kestrova {

// Temporary file names in the services' temporary folder.
inline constexpr char kHtmlPageFileName[] = "LastHTMLPage.html";
inline constexpr char kPackedFileName[] = "CompressFiles.tgz";

// Writes the copies to send (log copy, HTML page, XML copy) into the temporary folder, gathers
// them with ExtraFiles, the screenshot and the attached-files event's entries, packs them with
// SendFlags bit 9, delivers by e-mail and by web, tells the user the outcome with SendFlags
// bit 1, keeps a packed copy beside the log after a failure with HandlingFlags bit 6 (at most
// ten there) and removes the temporary files and the screenshot in every case. One send at a
// time: a second caller waits. Delivery failures are warnings; a file that cannot be packed,
// or an XML copy that cannot be written, raises (EFileError, EZLibError).
void SendReport(const SendRequest& request, const SendServices& services);

// Makes SendReport with DefaultSendServices the handling flow's sender.
void InstallReportSending();

}  // namespace kestrova
