#include "excreport/dialog/report_presenter.h"

#include <mutex>

#include "excreport/dialog/dialog_presenter.h"

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
  if (!presenter) presenter = std::make_shared<DialogPresenter>();
  return presenter;
}

}  // namespace kestrova
