// Shared pieces of the handling flow tests: a presenter that records what it is asked to show,
// and reading the call stack table of a report.
#pragma once

#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "excreport/dialog/report_presenter.h"

namespace kestrova::testing {

class RecordingPresenter final : public ReportPresenter {
 public:
  ReportChoice ShowReport(const ReportView& view) override {
    {
      std::lock_guard lock(mutex);
      messages.push_back(view.Message);
      reports.push_back(view.Report->Text());
    }
    return onShow ? onShow(view) : ReportChoice{};
  }
  std::string AskReproduceSteps(const TQuillModuleOptions&) override { return {}; }
  void ShowMessage(const std::string&, const std::string& text, MessageKind) override {
    std::lock_guard lock(mutex);
    boxes.push_back(text);
  }

  std::size_t ReportCount() {
    std::lock_guard lock(mutex);
    return reports.size();
  }
  void Clear() {
    std::lock_guard lock(mutex);
    messages.clear();
    reports.clear();
    boxes.clear();
    onShow = nullptr;
  }

  std::mutex mutex;
  std::vector<std::string> messages;
  std::vector<std::string> reports;
  std::vector<std::string> boxes;
  std::function<ReportChoice(const ReportView&)> onShow;
};

// The cells of a table row "|a  |b |c|", trimmed.
inline std::vector<std::string> RowCells(const std::string& row) {
  std::vector<std::string> cells;
  std::istringstream in(row);
  std::string cell;
  std::getline(in, cell, '|');
  while (std::getline(in, cell, '|')) {
    const auto first = cell.find_first_not_of(' ');
    const auto last = cell.find_last_not_of(" \r");
    cells.push_back(first == std::string::npos ? std::string() : cell.substr(first, last - first + 1));
  }
  if (!cells.empty() && cells.back().empty()) cells.pop_back();
  return cells;
}

// The first entry row of the exception thread's block in a report's call stack table.
inline std::vector<std::string> FirstExceptionThreadRow(const std::string& report) {
  const std::size_t header = report.find("|Exception Thread");
  if (header == std::string::npos) return {};
  std::istringstream in(report.substr(header));
  std::string line;
  std::getline(in, line);  // the block's header
  std::getline(in, line);  // its separator
  std::getline(in, line);
  return RowCells(line);
}

}  // namespace kestrova::testing
