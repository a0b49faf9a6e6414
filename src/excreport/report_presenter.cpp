#include "excreport/report_presenter.h"

#include <mutex>

#include "excreport/message_box_presenter.h"

namespace kestrova {
namespace {

std::mutex presenterMutex;
std::shared_ptr<ReportPresenter> presenter;

}  // namespace

void SetReportPresenter(std::shared_ptr<ReportPresenter> value) {
  std::lock_guard lock(presenterMutex);
  presenter = std::move(value);
}

std::shared_ptr<ReportPresenter> CurrentReportPresenter() {
  std::lock_guard lock(presenterMutex);
  if (!presenter) presenter = std::make_shared<MessageBoxPresenter>();
  return presenter;
}

}  // namespace kestrova
