// Soak: Kestrova with a reading that is no number, for a long run under Xvfb, its report dialog
// closing by itself (this program is a test build whose data block sets DialogCloseSecs). The
// parent samples the Kestrova child from outside: resident memory, open descriptors, threads,
// and the log's size and report count; it flags a stall (no report for 60 s) as a deadlock.
// Prints the figures; never fails a build.
// Usage: failing_reading_soak [SECONDS]   (600 by default)
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "app/application.h"
#include "app/exception_reporting_setup.h"
#include "app/main_form.h"
#include "comsetup/run_setup_dialog.h"
#include "excreport/dialog/report_dialog.h"
#include "excreport/flow/exception_reporting.h"
#include "excreport/flow/handler_state.h"

// Qt's X11 platform keeps a D-Bus connection that libdbus never frees; not ours to fix.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kChildFlag = "KESTROVA_SOAK_CHILD";
constexpr auto kSampleEvery = std::chrono::seconds(10);
constexpr auto kStallLimit = std::chrono::seconds(60);

bool ReportDialogShown() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (qobject_cast<kestrova::ReportDialog*>(widget) != nullptr && widget->isVisible())
      return true;
  return false;
}

// Writes "report" to stdout each time a report dialog is shown.
class ReportDialogCounter final : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show &&
        qobject_cast<kestrova::ReportDialog*>(watched) != nullptr) {
      std::printf("report\n");
      std::fflush(stdout);
    }
    return false;
  }
};

// The child: Kestrova's start-up as in main(), then the operator's two steps: a fixed reading
// "abc" and "Inicia Loop". Writes the log's report limit, then one line per report dialog shown.
// After `seconds` stops the loop and ends once the last dialog has closed.
int RunKestrova(int argc, char** argv, int seconds, const std::string& logFolder) {
  kestrova::ExceptionReportingScope reporting;
  kestrova::TApplication application(argc, argv);
  kestrova::InstallExceptionReporting(application);
  kestrova::InstallSetupDialog();
  if (kestrova::TheHandlerState() == nullptr) {
    std::fprintf(stderr, "soak: this build carries no data block\n");
    return 1;
  }
  kestrova::CurrentModuleOptions().SetLogFolder(logFolder);
  std::printf("limit %d\n", kestrova::CurrentModuleOptions().LogReportLimit());
  std::fflush(stdout);
  ReportDialogCounter counter;
  application.installEventFilter(&counter);
  kestrova::TFMain window(application);
  window.show();
  window.findChild<QLineEdit*>("Edit1")->setText("abc");
  window.findChild<QPushButton*>("Button1")->click();

  bool stopping = false;
  int quietTicks = 0;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    // Ends after 3 s without a dialog once the loop is stopped.
    quietTicks = ReportDialogShown() ? 0 : quietTicks + 1;
    if (stopping && quietTicks >= 30) QApplication::quit();
  });
  watch.start(100);
  QTimer::singleShot(std::chrono::seconds(seconds), [&] {
    window.findChild<QTimer*>("Timer1")->stop();
    stopping = true;
  });
  return kestrova::TApplication::exec();
}

// Xvfb on a display of its own choosing; returns its process and the display name.
std::pair<pid_t, std::string> StartXvfb() {
  int displayPipe[2];
  if (::pipe(displayPipe) != 0) return {-1, ""};
  const pid_t xvfb = ::fork();
  if (xvfb == 0) {
    ::close(displayPipe[0]);
    const std::string fd = std::to_string(displayPipe[1]);
    ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
             "tcp", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(displayPipe[1]);
  // Read the whole line: Xvfb dies if the pipe closes before it has written its newline.
  std::string text;
  char c = 0;
  while (::read(displayPipe[0], &c, 1) == 1 && c != '\n') text += c;
  ::close(displayPipe[0]);
  return {xvfb, text.empty() ? "" : ":" + text};
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

long StatusField(pid_t pid, const std::string& field) {
  std::istringstream status(ReadFile("/proc/" + std::to_string(pid) + "/status"));
  for (std::string line; std::getline(status, line);)
    if (line.starts_with(field + ":")) return std::atol(line.c_str() + field.size() + 1);
  return -1;
}

long OpenDescriptors(pid_t pid) {
  std::error_code error;
  long count = 0;
  for (fs::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", error), end;
       !error && it != end; it.increment(error))
    ++count;
  return count;
}

// The log file the reporting writes into the folder (named after the executable).
fs::path LogFile(const fs::path& folder) {
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    if (it->path().extension() == ".qmf") return it->path();
  return {};
}

// Reports in the log: each one starts with the same header line as the first.
long LogReports(const std::string& log) {
  const std::size_t firstEnd = log.find("\r\n");
  if (firstEnd == std::string::npos) return 0;
  const std::string header = log.substr(0, firstEnd + 2);
  long count = 0;
  for (std::size_t at = 0; (at = log.find(header, at)) != std::string::npos; at += header.size())
    ++count;
  return count;
}

struct Sample {
  double Minutes;
  long RssKb, Fds, Threads, LogBytes, LogReports, ReportsShown;
};

void Print(const Sample& s) {
  std::printf(
      "%6.1f min  RSS %7ld kB  fds %3ld  threads %3ld  log %8ld bytes %3ld reports  shown %6ld\n",
      s.Minutes, s.RssKb, s.Fds, s.Threads, s.LogBytes, s.LogReports, s.ReportsShown);
  std::fflush(stdout);
}

int Drive(const char* self, int seconds) {
  const auto [xvfb, display] = StartXvfb();
  if (display.empty()) {
    std::fprintf(stderr, "soak: Xvfb did not start\n");
    return 1;
  }
  const fs::path folder =
      fs::temp_directory_path() / ("kestrova-soak-" + std::to_string(::getpid()));
  fs::create_directories(folder / "config" / "kestrova");
  fs::create_directories(folder / "runtime");
  fs::permissions(folder / "runtime", fs::perms::owner_all);
  // The window's COM2 goes nowhere: every tick fails before its port steps anyway.
  std::ofstream(folder / "config" / "kestrova" / "ports.conf")
      << "COM2 = /nonexistent/kestrova-soak\n";
  int output[2];
  if (::pipe2(output, O_CLOEXEC) != 0) return 1;
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(output[1], STDOUT_FILENO);
    ::setenv(kChildFlag, (folder / "log").c_str(), 1);
    ::setenv("DISPLAY", display.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (folder / "runtime").c_str(), 1);
    ::execl("/proc/self/exe", self, std::to_string(seconds).c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(output[1]);
  fs::create_directories(folder / "log");

  const auto start = Clock::now();
  auto lastReport = start;
  long shown = 0, limit = 0;
  bool ended = false, stalled = false;
  std::vector<Sample> samples;
  std::string pending;
  while (!ended) {
    const auto nextSample = Clock::now() + kSampleEvery;
    while (Clock::now() < nextSample && !ended) {
      pollfd readable{output[0], POLLIN, 0};
      if (::poll(&readable, 1, 500) > 0) {
        char buffer[256];
        const ssize_t n = ::read(output[0], buffer, sizeof buffer);
        if (n <= 0) {
          ended = true;
          break;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t at; (at = pending.find('\n')) != std::string::npos;
             pending.erase(0, at + 1)) {
          if (pending.compare(0, 6, "limit ") == 0) limit = std::atol(pending.c_str() + 6);
          if (pending.compare(0, at, "report") != 0) continue;
          ++shown;
          lastReport = Clock::now();
        }
      }
    }
    if (ended) break;
    const std::string text = ReadFile(LogFile(folder / "log"));
    samples.push_back({std::chrono::duration<double>(Clock::now() - start).count() / 60,
                       StatusField(child, "VmRSS"), OpenDescriptors(child),
                       StatusField(child, "Threads"), static_cast<long>(text.size()),
                       LogReports(text), shown});
    Print(samples.back());
    const bool loopRunning = Clock::now() - start < std::chrono::seconds(seconds);
    if (loopRunning && Clock::now() - lastReport > kStallLimit) {
      stalled = true;
      std::printf("soak: no report for %lld s: the program is stuck\n",
                  static_cast<long long>(kStallLimit.count()));
      ::kill(child, SIGKILL);
      break;
    }
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ::kill(xvfb, SIGTERM);
  ::waitpid(xvfb, nullptr, 0);

  // Flatness after the first minute, when the log has filled up and every pool is warm.
  std::vector<Sample> settled;
  std::copy_if(samples.begin(), samples.end(), std::back_inserter(settled),
               [](const Sample& s) { return s.Minutes >= 1.0; });
  if (!settled.empty()) {
    auto range = [&](long Sample::*field) {
      const auto [low, high] = std::minmax_element(
          settled.begin(), settled.end(),
          [&](const Sample& a, const Sample& b) { return a.*field < b.*field; });
      return std::make_pair((*low).*field, (*high).*field);
    };
    const auto rss = range(&Sample::RssKb), fds = range(&Sample::Fds),
               threads = range(&Sample::Threads), reports = range(&Sample::LogReports),
               bytes = range(&Sample::LogBytes);
    std::printf(
        "after the first minute: RSS %ld-%ld kB (first %ld, last %ld), fds %ld-%ld, threads "
        "%ld-%ld,\n"
        "log %ld-%ld reports (limit %ld, %ld-%ld bytes); %ld reports shown in %.1f min\n",
        rss.first, rss.second, settled.front().RssKb, settled.back().RssKb, fds.first, fds.second,
        threads.first, threads.second, reports.first, reports.second, limit, bytes.first,
        bytes.second, shown, samples.back().Minutes);
  }
  std::printf("soak: %s; Kestrova exit status %d\n", stalled ? "STUCK" : "no stall",
              WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status));
  fs::remove_all(folder);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 600;
  if (const char* logFolder = std::getenv(kChildFlag))
    return RunKestrova(argc, argv, seconds, logFolder);
  return Drive(argv[0], seconds);
}
