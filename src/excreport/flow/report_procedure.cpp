#include "excreport/flow/report_procedure.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "excreport/capture/process_threads.h"
#include "excreport/capture/quill_warnings.h"
#include "excreport/dialog/gui_bridge.h"
#include "excreport/dialog/report_presenter.h"
#include "excreport/flow/exception_thread.h"
#include "excreport/flow/repeated_crash_rule.h"
#include "excreport/flow/report_collection.h"
#include "excreport/flow/report_sender.h"
#include "excreport/log/log_file.h"
#include "excreport/log/log_file_path.h"
#include "excreport/log/log_text.h"
#include "excreport/report/exception_class_info.h"
#include "excreport/report/exception_message.h"
#include "excreport/report/report_builder.h"
#include "excreport/report/report_output.h"
#include "excreport/report/system_facts.h"
#include "excreport/screenshot/screenshot_qt.h"

namespace kestrova {
namespace {

// Step numbers of the internal-error report: the procedure's steps, and 1200 + n for the
// parts of step 12.
enum Step : int {
  kStepStart = 2,
  kStepOptions = 5,
  kStepFilters = 6,
  kStepStacks = 7,
  kStepPause = 8,
  kStepModules = 9,
  kStepReport = 10,
  kStepNotify = 11,
  kStepCrashTimes = 1201,
  kStepCustomData = 1202,
  kStepMessage = 1203,
  kStepShow = 1204,
  kStepReproduce = 1205,
  kStepScreenshot = 1206,
  kStepLogVersion = 1207,
  kStepLog = 1208,
  kStepSend = 1209,
  kStepRepeatedCrash = 1210,
  kStepResume = 13,
  kStepEnd = 14,
};

void RunOnExceptionThread(const std::function<void()>& call) { TExceptionThread::RunOnExceptionThread(call); }

class ReportRun final {
 public:
  ReportRun(HandlerState& state, HandlingRequest& request)
      : state_(state), request_(request), options_(state.Options) {}

  bool Execute();

 private:
  void Enter(int step) {
    state_.StepNumber.store(step);
    ClearLastWarning();
  }
  void ChooseOptions();
  bool Filtered();
  // Everything the report needs before it is shown: the steps below, in this order.
  void Prepare();
  void WalkThreadStacks(const AddressSymbolizer& symbolizer);
  void PauseThreads();
  void CollectReport(const AddressSymbolizer& symbolizer);
  void FindInLog();
  void TakeScreenshot();
  void Process();
  void Show();
  void ShowOnGui();
  void AskReproduceSteps();
  void WriteLog();
  void Send();
  void End();
  bool FireAction(int action, bool flag);
  void ShowMessage(const std::string& caption, const std::string& text);
  std::string ClassName() const;

  HandlerState& state_;
  HandlingRequest& request_;
  TQuillModuleOptionsEx& options_;
  bool notTaken_ = false;
  bool sendingConfigured_ = false;
  bool duplicate_ = false;
  bool sendAllowed_ = false;
  DisplayKind display_ = DisplayKind::Console;
  ReportTime time_;
  std::optional<ThreadParker> paused_;
  std::vector<ThreadStack> threads_;
  TQuillExceptionRecord record_;
  ReportData data_;
  QuillReport report_;
  std::string message_;
  std::string textToSend_;
  std::string logFileName_;
  ReportChoice choice_;
  Screenshot screenshot_;
  bool pictureTaken_ = false;
  std::string screenshotFile_;
};

std::string ReportRun::ClassName() const {
  if (!request_.Exception) return request_.ClassName;
  const std::optional<ExceptionClassInfo> info = DescribeException(request_.Exception);
  return info ? info->Name : std::string();
}

bool ReportRun::FireAction(int action, bool flag) {
  FireEvent(&TQuillmarkEvents::OnActionNotify, record_, RunOnExceptionThread, action, flag);
  return flag;
}

void ReportRun::ShowMessage(const std::string& caption, const std::string& text) {
  if (display_ == DisplayKind::Gui) {
    const std::shared_ptr<ReportPresenter> presenter = CurrentReportPresenter();
    RunOnGuiThread([&] { presenter->ShowMessage(caption, text, MessageKind::Information); });
  } else {
    WriteStandardOutput(text + "\r\n");
  }
}

void ReportRun::ChooseOptions() {
  Enter(kStepOptions);
  // Only the executable carries options here, so every module's exception takes them.
  options_.Assign(state_.Module.Options.get());
  options_.SetEnabled(state_.Module.Options->Enabled());
  sendingConfigured_ = options_.MailMode() != 0 || options_.UploadMode() != 0;
  display_ = ChooseDisplay(request_.RaiserKind, IsGuiProgram(), IsCgiProgram());
}

bool ReportRun::Filtered() {
  Enter(kStepFilters);
  if (request_.CaughtKind == kCaughtThreadBody || !options_.FiltersEnabled()) return false;
  std::optional<ExceptionClassInfo> info = DescribeException(request_.Exception);
  if (!info) info = ExceptionClassInfo{request_.ClassName, {std::string(kBaseExceptionClassName)}};
  const TNotifyStringList& classes = options_.FilterClasses();
  for (int i = 0; i < classes.Count(); ++i) {
    if (classes[i].empty() || !info->IsKindOf(classes[i])) continue;
    const TNotifyStringList& messages = options_.FilterMessages();
    if (i < messages.Count() && !messages[i].empty()) ShowMessage(options_.Text(0), messages[i]);
    return true;
  }
  return false;
}

void ReportRun::Prepare() {
  const AddressSymbolizer symbolizer(state_.Module, request_.ProcessId);
  WalkThreadStacks(symbolizer);
  PauseThreads();
  CollectReport(symbolizer);
  FindInLog();
  TakeScreenshot();
}

void ReportRun::WalkThreadStacks(const AddressSymbolizer& symbolizer) {
  Enter(kStepStacks);
  std::vector<ParkedThread> others = CrashedProcessThreads(request_, options_.StackFlags());
  const std::vector<pid_t> walked = ThreadsToWalk(state_, request_, options_.StackFlags());
  if (!walked.empty()) {
    ThreadParker parker(walked, kDefaultParkDeadline);
    others = parker.Threads();
  }
  threads_ = BuildThreadStacks(state_, request_, others, symbolizer);
}

void ReportRun::PauseThreads() {
  Enter(kStepPause);
  if (request_.CaughtKind == kCaughtThreadBody) return;
  const std::uint8_t handlingFlags = options_.HandlingFlags();
  pid_t guiThread = 0;
  if ((handlingFlags & 0x0A) != 0 && IsGuiProgram()) RunOnGuiThread([&] { guiThread = CurrentThreadId(); });
  const std::vector<pid_t> pause = ThreadsToPause(state_, request_, handlingFlags, guiThread);
  if (!pause.empty()) paused_.emplace(pause, kDefaultParkDeadline);
}

void ReportRun::CollectReport(const AddressSymbolizer& symbolizer) {
  Enter(kStepReport);
  record_.Exception = request_.Exception;
  record_.Address = request_.Address;
  record_.ThreadId = static_cast<std::uint32_t>(request_.ThreadId);
  record_.Stacks = threads_;
  std::optional<DisplayMode> displayMode;
  if (display_ == DisplayKind::Gui) RunOnGuiThread([&] { displayMode = PrimaryDisplayMode(); });
  data_ = CollectReportData(state_, request_, options_, threads_, symbolizer, displayMode, time_);
  report_ = BuildReport(data_, options_);
  message_ = ExceptionMessageText(data_.Exception);
  logFileName_ = LogFilePath(options_, ComputerName());
}

// Whether the log holds this exception already (duplicate_), when the log is kept.
void ReportRun::FindInLog() {
  if ((options_.LogFlags() & 0x01) == 0) return;
  try {
    const TLogFile log(logFileName_, true);
    duplicate_ = log.FindDuplicate(DuplicateItemIds(), DuplicateItemValues(report_.Text()));
  } catch (const std::exception&) {
    duplicate_ = false;  // an unreadable log holds no duplicate; writing it will tell more
  }
}

// Taken now, before a dialog covers the screen; saved only if the user sends it.
void ReportRun::TakeScreenshot() {
  if (display_ != DisplayKind::Gui || !sendingConfigured_ || (options_.SendFlags() & SendFlagScreenshot) == 0) return;
  const std::optional<QRect> focus = request_.FocusRect;
  RunOnGuiThread([&] { pictureTaken_ = screenshot_.TakePicture(options_.SendFlags(), ScreenshotMarks::Note(focus)); });
}

void ReportRun::ShowOnGui() {
  const std::shared_ptr<ReportPresenter> presenter = CurrentReportPresenter();
  ReportView view;
  view.Report = &report_;
  view.Data = &data_;
  view.Message = message_;
  view.Options = &options_;
  view.ErrorCount = state_.ErrorCount;
  view.SendingConfigured = sendingConfigured_;
  view.Duplicate = duplicate_;
  view.ConfirmTermination = [this] { return FireAction(kActionTerminateRequested, true); };
  const bool shown = RunOnGuiThread([&] { choice_ = presenter->ShowReport(view); });
  if (!shown) throw std::runtime_error("Cannot show the DialogBox window.");
  state_.TerminateRequest = state_.TerminateRequest || choice_.TerminateRequested;
  sendAllowed_ = sendAllowed_ && choice_.SendChecked;
}

void ReportRun::Show() {
  Enter(kStepShow);
  sendAllowed_ = sendingConfigured_ && !duplicate_;
  if ((options_.DialogFlags() & 0x01) == 0) {
    if (display_ == DisplayKind::Web) WriteStandardOutput(WebErrorResponse(options_, message_));
    return;
  }
  if (!FireAction(kActionBeforeShow, true)) return;
  const char* stepName = display_ == DisplayKind::Gui ? "GUI" : "Console";
  try {
    switch (display_) {
      case DisplayKind::Gui:
        ShowOnGui();
        break;
      case DisplayKind::Console:
        WriteStandardOutput(ConsoleReportText(options_, report_.Text()));
        break;
      case DisplayKind::Web:
        WriteStandardOutput(WebErrorResponse(options_, report_.Text()));
        break;
    }
  } catch (const std::exception& error) {
    RecordWarning(TQuillmarkErrorCode::eeShowError, stepName, error.what(), request_.Address);
    return;
  }
  FireAction(kActionAfterShow, true);
}

void ReportRun::AskReproduceSteps() {
  Enter(kStepReproduce);
  if ((options_.LogFlags() & 0x02) == 0 || display_ != DisplayKind::Gui || duplicate_ ||
      !(sendingConfigured_ || options_.WriteLogFile()))
    return;
  const std::shared_ptr<ReportPresenter> presenter = CurrentReportPresenter();
  std::string steps;
  RunOnGuiThread([&] { steps = presenter->AskReproduceSteps(options_); });
  AppendSection(report_, 8, options_.Text(81), steps);
  data_.ReproduceText = steps;
}

void ReportRun::WriteLog() {
  Enter(kStepLogVersion);
  if ((options_.LogFlags() & 0x04) != 0) {
    bool versionChanged = false;
    {
      const TLogFile log(logFileName_, true);
      const int count = log.ReportCount();
      const std::string logged = count > 0 ? log.ItemValue("1.3", count - 1) : std::string();
      versionChanged = !logged.empty() && logged != ReportItemValue(report_.Text(), "1.3");
      logFileName_ = log.FileName();
    }
    if (versionChanged) std::filesystem::remove(logFileName_);
  }

  Enter(kStepLog);
  textToSend_ = report_.Text();
  if (options_.WriteLogFile() && FireAction(kActionBeforeLogSave, true)) {
    bool saved = false;
    bool retry = true;
    while (!saved && retry) {
      try {
        TLogFile log(logFileName_, false);
        if (!duplicate_) log.AddReport(report_.Text(), options_.LogReportLimit());
        if ((options_.SendFlags() & 0x04) != 0) textToSend_ = log.WholeText();
        log.Save();
        logFileName_ = log.FileName();
        saved = true;
      } catch (const std::exception& error) {
        RecordWarning(TQuillmarkErrorCode::eeLogError, "Log", error.what(), request_.Address);
        retry = false;
        int action = kActionAfterLogSave;
        FireEvent(&TQuillmarkEvents::OnActionError, record_, RunOnExceptionThread, action, retry);
      }
    }
    FireAction(kActionAfterLogSave, saved);
  }
  if (choice_.CopyChecked) {
    const std::string text = report_.Text();
    RunOnGuiThread([&] { CopyTextToClipboard(text); });
  }
}

void ReportRun::Send() {
  Enter(kStepSend);
  const ReportSender sender = CurrentReportSender();
  if (!sendAllowed_ || !sender) return;
  SendRequest send;
  auto options = std::make_shared<TQuillModuleOptions>(options_.ModuleName(), false);
  options->Assign(&options_);
  send.Options = std::move(options);
  send.Record = record_;
  send.ReportText = report_.Text();
  send.TextToSend = textToSend_;
  send.LogFileName = logFileName_;
  send.ScreenshotFile = screenshotFile_;
  send.Time = time_;
  if ((options_.SendFlags() & 0x80) != 0) {
    std::thread([sender, send = std::move(send)] {
      try {
        sender(send);
      } catch (...) {
        ReportInternalError("Send", send.Record.Address, "", std::current_exception());
      }
    }).detach();
  } else {
    sender(send);
  }
}

void ReportRun::Process() {
  Enter(kStepCrashTimes);
  const bool repeatRule = (options_.HandlingFlags() & 0x01) != 0;
  if (repeatRule) NoteCrashTime(state_.CrashTimes, time_.UnixSeconds, options_.RepeatCrashCount());

  Enter(kStepCustomData);
  std::string custom;
  FireEvent(&TQuillmarkEvents::OnCustomDataRequest, record_, RunOnExceptionThread, custom);
  AppendSection(report_, 7, options_.Text(13), custom);
  data_.CustomData = custom;

  Enter(kStepMessage);
  ++state_.ErrorCount;

  Show();
  AskReproduceSteps();

  Enter(kStepScreenshot);
  if (sendAllowed_ && pictureTaken_ && choice_.ScreenshotChecked) {
    const QString file = Screenshot::FileName(options_.SendFlags());
    if (screenshot_.SavePicture(file)) screenshotFile_ = file.toStdString();
  }
  screenshot_.FreePicture();

  WriteLog();
  state_.ReportText = report_.Text();
  Send();

  Enter(kStepRepeatedCrash);
  if ((options_.SendFlags() & 0x80) == 0 && repeatRule &&
      IsRepeatedCrash(state_.CrashTimes, options_.RepeatCrashCount(), options_.RepeatCrashMinutes())) {
    state_.TerminateRequest = true;
    options_.SetEndAction(options_.RepeatCrashAction());
  }
}

void ReportRun::End() {
  Enter(kStepEnd);
  if (request_.CaughtKind == kCaughtThreadBody || (options_.SendFlags() & 0x80) != 0 || !state_.TerminateRequest)
    return;
  if (options_.EndAction() == 1) {
    try {
      StartProgram(request_.CrashedCommand ? *request_.CrashedCommand : OwnProgramCommand());
    } catch (...) {
      ReportInternalError("Restart", request_.Address, ClassName(), std::current_exception());
    }
  }
  if (request_.CrashedCommand) return;  // the crashed process ends with code 1 by itself
  std::fflush(nullptr);
  std::_Exit(1);
}

bool ReportRun::Execute() {
  try {
    Enter(kStepStart);
    time_ = CurrentReportTime();
    ChooseOptions();
    if (Filtered()) return false;
    Prepare();
    Enter(kStepNotify);
    bool handle = true;
    FireEvent(&TQuillmarkEvents::OnExceptionNotify, record_, RunOnExceptionThread, handle);
    if (handle)
      Process();
    else
      notTaken_ = true;
  } catch (...) {
    ReportInternalError(std::to_string(state_.StepNumber.load()), request_.Address, ClassName(),
                        std::current_exception());
  }
  state_.StepNumber.store(kStepResume);
  paused_.reset();
  try {
    End();
  } catch (...) {
    ReportInternalError(std::to_string(state_.StepNumber.load()), request_.Address, ClassName(),
                        std::current_exception());
  }
  return notTaken_;
}

}  // namespace

bool RunReportProcedure(HandlerState& state, HandlingRequest& request) {
  return ReportRun(state, request).Execute();
}

}  // namespace kestrova
