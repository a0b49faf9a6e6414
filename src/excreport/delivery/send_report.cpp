#include "excreport/delivery/send_report.h"

#include <stdlib.h>

#include <ctime>
#include <filesystem>
#include <mutex>
#include <span>

#include "common/file_io.h"
#include "excreport/delivery/pack_files.h"
#include "excreport/delivery/send_names.h"
#include "excreport/log/log_text.h"
#include "excreport/log/log_xml_export.h"
#include "excreport/report/report_output.h"

namespace kestrova {
namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t kSendFlagResultBox = 0x0002;
constexpr std::uint16_t kSendFlagXmlCopy = 0x0008;
constexpr std::uint16_t kSendFlagHtmlPage = 0x0040;
constexpr std::uint16_t kSendFlagTimeStampNames = 0x0100;
constexpr std::uint16_t kSendFlagPack = 0x0200;
constexpr std::uint8_t kHandlingFlagClipboard = 0x20;
constexpr std::uint8_t kHandlingFlagKeepCopy = 0x40;
constexpr int kCaptionText = 0;
constexpr int kSentText = 94;
constexpr int kNotSentText = 95;

std::mutex sendMutex;

// Removes the files it was given when it goes out of scope, whatever happened meanwhile.
class TemporaryFiles final {
 public:
  TemporaryFiles() = default;
  TemporaryFiles(const TemporaryFiles&) = delete;
  TemporaryFiles& operator=(const TemporaryFiles&) = delete;
  ~TemporaryFiles() {
    for (const fs::path& file : files_) {
      std::error_code ignored;
      fs::remove(file, ignored);
    }
  }
  void Add(fs::path file) { files_.push_back(std::move(file)); }

 private:
  std::vector<fs::path> files_;
};

void WriteText(const fs::path& file, const std::string& text) {
  WriteWholeFile(file, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

// Writes a copy whose failure only leaves it out of the files to send.
bool WriteQuietly(const fs::path& file, const std::string& text) {
  try {
    WriteText(file, text);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::string StampOf(const ReportTime& time) {
  const std::time_t local = static_cast<std::time_t>(time.UnixSeconds + time.UtcOffsetSeconds);
  std::tm parts{};
  gmtime_r(&local, &parts);
  return ReportTimeStamp(parts);
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::vector<std::string> ExtraFileEntries(const std::string& extraFiles) {
  std::vector<std::string> entries;
  std::size_t start = 0;
  while (start <= extraFiles.size()) {
    std::size_t end = extraFiles.find(';', start);
    if (end == std::string::npos) end = extraFiles.size();
    std::string entry = Trimmed(extraFiles.substr(start, end - start));
    if (!entry.empty()) entries.push_back(std::move(entry));
    start = end + 1;
  }
  return entries;
}

// The archive kept beside the log after a failed send: the temporary archive moved there, or
// the files packed into it; then the folder is pruned to the newest ten.
void KeepPackedCopy(const SendContext& context, const fs::path& temporaryArchive) {
  const fs::path folder = fs::path(context.Request.LogFileName).parent_path();
  std::string name = "CompressFiles";
  if (!context.TimeStamp.empty()) name += "_" + context.TimeStamp;
  const fs::path kept = folder / (name + ".tgz");
  if ((context.Options.SendFlags() & kSendFlagPack) != 0) {
    std::error_code error;
    fs::rename(temporaryArchive, kept, error);
    // Another file system: copy it; the temporary one goes with the others.
    if (error) fs::copy_file(temporaryArchive, kept, fs::copy_options::overwrite_existing, error);
  } else {
    PackFiles(kept, context.Files, context.TimeStamp);
  }
  PruneKeptArchives(folder);
}

class SendStep final {
 public:
  SendStep(const SendRequest& request, const SendServices& services)
      : options_(*request.Options), context_(request, options_, services) {}

  void Run() {
    ClearLastWarning();
    MakeWorkFolder();
    if ((options_.SendFlags() & kSendFlagTimeStampNames) != 0) context_.TimeStamp = StampOf(Request().Time);
    // The screenshot was saved for this send only.
    if (!Request().ScreenshotFile.empty()) temporary_.Add(Request().ScreenshotFile);
    WriteCopies();
    GatherFiles();
    Pack();
    Deliver();
  }

 private:
  const SendRequest& Request() const { return context_.Request; }
  fs::path Temp(const std::string& name) const { return workFolder_ / name; }

  // A private folder of this send in the temporary folder: the copies keep their names without
  // clobbering the log itself when it lies in the temporary folder, or the files of another
  // process. Without one the copies go to the temporary folder itself.
  void MakeWorkFolder() {
    std::string pattern = (context_.Services.TempFolder / "kestrova-send-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      workFolder_ = context_.Services.TempFolder;
      return;
    }
    workFolder_ = pattern;
    // Removed once the files in it are gone: folderRemover_ is destroyed after temporary_.
    folderRemover_.Add(workFolder_);
  }

  void WriteCopies() {
    std::string logText = Request().TextToSend;
    if (!logText.ends_with(kReportTerminator)) logText += kReportTerminator;
    const std::string logName = FileNameWithoutFolder(Request().LogFileName);
    if (!options_.LogAppendMode() && !logName.empty()) {
      logCopy_ = Temp(logName).string();
      temporary_.Add(logCopy_);
      WriteQuietly(logCopy_, logText);
    }
    if ((options_.SendFlags() & kSendFlagHtmlPage) != 0 && !Request().LastHtmlPage.empty()) {
      // A CGI program keeps its last page, in the temporary folder itself.
      if (IsCgiProgram()) {
        htmlPage_ = (context_.Services.TempFolder / kHtmlPageFileName).string();
      } else {
        htmlPage_ = Temp(kHtmlPageFileName).string();
        temporary_.Add(htmlPage_);
      }
      WriteQuietly(htmlPage_, Request().LastHtmlPage);
    }
    if ((options_.SendFlags() & kSendFlagXmlCopy) != 0 && !logName.empty()) {
      xmlCopy_ = Temp(ReplaceExtension(logName, ".xml")).string();
      temporary_.Add(xmlCopy_);
      WriteText(xmlCopy_, LogToXml(SplitLogReports(NormalizeLineEnds(logText)), options_.Texts()));
    }
  }

  void GatherFiles() {
    std::vector<std::string>& files = context_.Files;
    files = ExtraFileEntries(options_.ExtraFiles());
    const std::string* const candidates[] = {&logCopy_, &Request().ScreenshotFile, &htmlPage_, &xmlCopy_};
    for (const std::string* file : candidates) {
      if (!file->empty()) files.push_back(*file);
    }
    FireEvent(&TQuillmarkEvents::OnAttachedFilesRequest, Request().Record, context_.Services.RunEvent, files);
    std::erase_if(files, [](const std::string& file) {
      std::error_code error;
      return !fs::exists(file, error);
    });
  }

  void Pack() {
    if ((options_.SendFlags() & kSendFlagPack) == 0) return;
    archive_ = Temp(kPackedFileName);
    temporary_.Add(archive_);
    PackFiles(archive_, context_.Files, context_.TimeStamp);
    context_.Files = {archive_.string()};
  }

  void Deliver() {
    bool success = true;
    if (options_.MailMode() != 0) success = SendByEmail(context_);
    if (options_.UploadMode() != 0) success = SendByWeb(context_) && success;
    const SendServices& services = context_.Services;
    if (!success && (options_.HandlingFlags() & kHandlingFlagClipboard) != 0 && services.CopyToClipboard) {
      services.CopyToClipboard(Request().ReportText);
    }
    // A message handed to the desktop's mail client is not sent yet: the client shows it and
    // the user sends it. Only a delivery the program saw complete is announced as sent.
    const bool handedOverOnly = options_.MailMode() == 1 && options_.UploadMode() == 0;
    if ((options_.SendFlags() & kSendFlagResultBox) != 0 && services.ShowMessage && !(success && handedOverOnly)) {
      services.ShowMessage(options_.Text(kCaptionText), options_.Text(success ? kSentText : kNotSentText),
                           success ? MessageKind::Information : MessageKind::Error);
    }
    if (!success && (options_.HandlingFlags() & kHandlingFlagKeepCopy) != 0) KeepPackedCopy(context_, archive_);
  }

  const TQuillModuleOptions& options_;
  SendContext context_;
  fs::path workFolder_;
  TemporaryFiles folderRemover_;  // destroyed after temporary_
  TemporaryFiles temporary_;
  std::string logCopy_, htmlPage_, xmlCopy_;
  fs::path archive_;
};

}  // namespace

void SendReport(const SendRequest& request, const SendServices& services) {
  std::lock_guard lock(sendMutex);
  SendStep(request, services).Run();
}

void InstallReportSending() {
  SetReportSender([](const SendRequest& request) { SendReport(request, DefaultSendServices()); });
}

}  // namespace kestrova
