#include "excreport/flow/quill_exceptions.h"

#include "excreport/report/exception_class_info.h"

namespace kestrova {

bool IsSilentAbort(const std::exception_ptr& exception) {
  const std::optional<ExceptionClassInfo> info = DescribeException(exception);
  return info && info->IsKindOf("EAbort");
}

bool IsReportableException(const std::exception_ptr& exception) {
  if (!exception) return false;
  try {
    std::rethrow_exception(exception);
  } catch (const std::exception&) {
    return !IsSilentAbort(exception);
  } catch (...) {
    return false;
  }
}

}  // namespace kestrova
