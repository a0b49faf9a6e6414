#include "excreport/flow/report_sender.h"

#include <mutex>

namespace kestrova {
namespace {

std::mutex senderMutex;
ReportSender sender;

}  // namespace

void SetReportSender(ReportSender value) {
  std::lock_guard lock(senderMutex);
  sender = std::move(value);
}

ReportSender CurrentReportSender() {
  std::lock_guard lock(senderMutex);
  return sender;
}

}  // namespace kestrova
