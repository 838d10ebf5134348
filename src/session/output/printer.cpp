#include "session/output/printer.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "base/numeric.h"
#include "base/text.h"
#include "session/output/line_reader.h"
#include "session/output/program_runner.h"
#include "session/output/report_paths.h"

namespace hurt::session {

namespace {

constexpr size_t kChunk = 64 * 1024;
constexpr int kMaxEmptyLines = 99;

// Where the printed bytes go while they are produced.
class PrintStream {
 public:
  virtual ~PrintStream() = default;
  virtual Status Write(std::string_view bytes) = 0;
  virtual Status Finish() = 0;
};

// Raw bytes to `lp`.
class SpoolerStream final : public PrintStream {
 public:
  explicit SpoolerStream(std::unique_ptr<ProgramRun> run, std::string program)
      : run_(std::move(run)), program_(std::move(program)) {}

  Status Write(std::string_view bytes) override {
    if (!failed_.ok()) return failed_;
    failed_ = run_->Write(bytes);
    return Status::Ok();  // the reason comes from Finish
  }

  Status Finish() override {
    auto result = run_->Finish();
    if (!result.ok()) return Status::IoError("Blad drukowania: " + result.status().message());
    if (!result->Succeeded()) return Status::IoError(SpoolerError(*result));
    if (!failed_.ok()) return Status::IoError("Blad drukowania: " + failed_.message());
    return Status::Ok();
  }

 private:
  std::string SpoolerError(const ProgramResult& result) const {
    std::string text = result.err;
    const size_t nl = text.find('\n');
    if (nl != std::string::npos) text.resize(nl);
    text = AllTrim(text);
    if (text.empty()) {
      text = result.signal != 0 ? "przerwany sygnalem " + std::to_string(result.signal)
                                : "kod wyjscia " + std::to_string(result.exit_code);
    }
    return "Blad drukowania (" + program_ + "): " + text;
  }

  std::unique_ptr<ProgramRun> run_;
  std::string program_;
  Status failed_;
};

// Bytes to a device file with plain writes (a printer port cannot seek).
class DeviceStream final : public PrintStream {
 public:
  static Result<std::unique_ptr<PrintStream>> Open(const std::string& device) {
    // Never create a file among the devices; elsewhere a missing file is made (an
    // output file standing in for a printer).
    int flags = O_WRONLY | O_APPEND | O_CLOEXEC;
    if (device.rfind("/dev/", 0) != 0) flags |= O_CREAT;
    const int fd = open(device.c_str(), flags, 0666);
    if (fd < 0) return Status::IoError("Nie moge otworzyc drukarki " + device + " (" + std::strerror(errno) + ")");
    return std::unique_ptr<PrintStream>(new DeviceStream(device, fd));
  }
  ~DeviceStream() override {
    if (fd_ >= 0) close(fd_);
  }

  Status Write(std::string_view bytes) override {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t w = write(fd_, bytes.data() + done, bytes.size() - done);
      if (w < 0) {
        if (errno == EINTR) continue;
        return Status::IoError("Blad drukowania na " + device_ + " (" + std::strerror(errno) + ")");
      }
      done += static_cast<size_t>(w);
    }
    return Status::Ok();
  }

  Status Finish() override {
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) return Status::IoError("Blad drukowania na " + device_ + " (" + std::strerror(errno) + ")");
    return Status::Ok();
  }

 private:
  DeviceStream(std::string device, int fd) : device_(std::move(device)), fd_(fd) {}
  std::string device_;
  int fd_;
};

std::vector<std::string> LpArguments(const PrinterTarget& target, const PrintOptions& options, std::string_view title,
                                     bool raw) {
  std::vector<std::string> argv = {options.lp_program};
  if (!target.queue.empty()) {
    argv.push_back("-d");
    argv.push_back(target.queue);
  }
  if (raw) {
    argv.push_back("-o");
    argv.push_back("raw");
  }
  if (!title.empty()) {
    argv.push_back("-t");
    argv.push_back(std::string(title));
  }
  return argv;
}

Result<std::unique_ptr<PrintStream>> OpenRawStream(const PrinterTarget& target, const PrintOptions& options,
                                                   std::string_view title) {
  if (target.kind == PrinterTarget::Kind::kDevice) return DeviceStream::Open(target.device);
  if (auto problem = RawJobProblem(target, options)) return Status::Unsupported(*problem);
  auto run = ProgramRun::Start(LpArguments(target, options, title, true));
  if (!run.ok()) return Status::IoError("Nie moge drukowac: " + run.status().message());
  return std::unique_ptr<PrintStream>(new SpoolerStream(std::move(*run), options.lp_program));
}

// Calls `line` for every line of the range; stops reading after the range's end.
Status ForEachLineInRange(xbase::Env& env, const std::string& file, const LineRange& range,
                          const std::function<Status(std::string_view)>& line) {
  auto opened = OpenForReading(env, file);
  if (!opened.ok()) return opened.status();
  LineReader reader(**opened);
  std::string text;
  while (reader.Next(text)) {
    const int64_t n = reader.line_number();
    if (n > range.to) break;
    if (n < range.from) continue;
    HURT_RETURN_IF_ERROR(line(text));
  }
  return reader.status();
}

Result<std::string> WriteCopy(xbase::Env& env, const std::string& report, const std::string& copy,
                              const std::function<Status(ReportWriter&)>& fill) {
  if (copy.empty()) return Status::Invalid("Nie moge zrobic kopii pliku " + report);
  auto writer = ReportWriter::Open(env, copy);
  if (!writer.ok()) return writer.status();
  Status filled = fill(**writer);
  Status closed = (*writer)->Close();
  HURT_RETURN_IF_ERROR(filled);
  HURT_RETURN_IF_ERROR(closed);
  return copy;
}

}  // namespace

std::optional<std::string> RawJobProblem(const PrinterTarget& target, const PrintOptions& options) {
  if (target.kind != PrinterTarget::Kind::kQueue || target.render_pdf || options.lpoptions_program.empty()) {
    return std::nullopt;
  }
  std::vector<std::string> argv = {options.lpoptions_program};
  if (!target.queue.empty()) {
    argv.push_back("-p");
    argv.push_back(target.queue);
  }
  auto run = RunProgram(argv, "");
  if (!run.ok() || !run->Succeeded()) return std::nullopt;  // no spooler to ask: the print itself will say
  // "... printer-make-and-model='Generic CUPS-PDF Printer' ..."
  const std::string key = "printer-make-and-model=";
  const size_t at = run->out.find(key);
  if (at == std::string::npos) return std::nullopt;
  size_t from = at + key.size();
  std::string model;
  if (from < run->out.size() && (run->out[from] == '\'' || run->out[from] == '"')) {
    const char quote = run->out[from++];
    model = run->out.substr(from, run->out.find(quote, from) - from);
  } else {
    model = run->out.substr(from, run->out.find(' ', from) - from);
  }
  const std::string lower = Lower(model);
  for (std::string_view renders : {"pdf", "ipp everywhere", "driverless", "airprint"}) {
    if (lower.find(renders) != std::string::npos) {
      const std::string queue = target.queue.empty() ? std::string("domyslna") : target.queue;
      return "Kolejka " + queue + " (" + model + ") nie drukuje surowych wydrukow - ustaw PRINTERTYPE=CUPS";
    }
  }
  return std::nullopt;
}

PrinterConfig ReadPrinterConfig(const VatIni& ini, const StationEnvironment& station) {
  return {ini.GetCfgValue("PRINTERNAME", station), ini.GetCfgValue("PRINTERTYPE", station)};
}

bool IsSpoolerType(std::string_view type) {
  const std::string t = Upper(AllTrim(type));
  return t == "WIN32" || t == "CUPS";
}

PrinterTarget ResolvePrinter(const PrinterConfig& config) {
  PrinterTarget target;
  const std::string name = AllTrim(config.name);
  const std::string upper = Upper(name);
  if (!name.empty() && name[0] == '/') {
    target.kind = PrinterTarget::Kind::kDevice;
    target.device = name;
    return target;
  }
  if (upper.size() == 4 && upper.rfind("LPT", 0) == 0 && upper[3] >= '1' && upper[3] <= '9') {
    target.kind = PrinterTarget::Kind::kDevice;
    target.device = "/dev/lp" + std::string(1, static_cast<char>(upper[3] - 1));
    return target;
  }
  if (upper.rfind("DEFAULT", 0) != 0) target.queue = name;
  target.render_pdf = IsSpoolerType(config.type);
  return target;
}

LineRange LineRange::FromTexts(std::optional<std::string_view> from, std::optional<std::string_view> to) {
  LineRange range;
  auto value = [](std::string_view text) {
    const double v = Val(text);
    if (!(v > 0)) return int64_t{0};
    if (v >= 9e18) return kUnlimited;
    return static_cast<int64_t>(v);
  };
  if (from) range.from = value(*from);
  if (to) range.to = value(*to);
  return range;
}

Result<PrintOutcome> FileToPrinter(xbase::Env& env, const std::string& file, const LineRange& range,
                                   const PrinterTarget& target, const PrintOptions& options) {
  if (range.Empty()) return PrintOutcome::kNothingToPrint;
  if (!env.Exists(file)) return Status::NotFound(MissingFileText(file));
  const std::string title = options.title.empty() ? std::string(BaseName(file)) : options.title;
  const std::string margin(static_cast<size_t>(std::max(0, options.margin)), ' ');

  if (target.kind == PrinterTarget::Kind::kQueue && target.render_pdf) {
    std::string text;
    bool any = false;
    HURT_RETURN_IF_ERROR(ForEachLineInRange(env, file, range, [&](std::string_view line) {
      text += margin;
      text += line;
      text += "\r\n";
      any = true;
      return Status::Ok();
    }));
    if (!any) return PrintOutcome::kNothingToPrint;
    PdfOptions pdf_options = options.pdf;
    if (pdf_options.title.empty()) pdf_options.title = title;
    auto pdf = PrinterTextToPdf(text, pdf_options, env.clock());
    if (!pdf.ok()) return pdf.status();
    auto result = RunProgram(LpArguments(target, options, title, false), pdf->bytes);
    if (!result.ok()) return Status::IoError("Nie moge drukowac: " + result.status().message());
    if (!result->Succeeded()) {
      std::string err = AllTrim(result->err.substr(0, result->err.find('\n')));
      if (err.empty()) err = "kod wyjscia " + std::to_string(result->exit_code);
      return Status::IoError("Blad drukowania (" + options.lp_program + "): " + err);
    }
    return PrintOutcome::kPrinted;
  }

  // Raw bytes, streamed: the printer starts with the first line of the range.
  std::unique_ptr<PrintStream> stream;
  std::string buffer;
  auto flush = [&]() -> Status {
    if (buffer.empty()) return Status::Ok();
    if (!stream) {
      auto opened = OpenRawStream(target, options, title);
      if (!opened.ok()) return opened.status();
      stream = std::move(*opened);
    }
    Status s = stream->Write(buffer);
    buffer.clear();
    return s;
  };
  Status read = ForEachLineInRange(env, file, range, [&](std::string_view line) {
    buffer += margin;
    buffer += line;
    buffer += "\r\n";
    return buffer.size() >= kChunk ? flush() : Status::Ok();
  });
  if (read.ok()) read = flush();
  if (!stream) {
    HURT_RETURN_IF_ERROR(read);
    return PrintOutcome::kNothingToPrint;
  }
  // The printer's own complaint explains a broken stream better than the broken stream.
  Status finished = stream->Finish();
  HURT_RETURN_IF_ERROR(finished);
  HURT_RETURN_IF_ERROR(read);
  return PrintOutcome::kPrinted;
}

int PrintMargin(xbase::Env& env, std::string_view data_dir, bool started_with_f5, std::string_view margin_text) {
  if (!started_with_f5) return 0;
  if (!FileX(env, data_dir, "HFK.EXE") && !FileX(env, data_dir, "HST.EXE")) return 0;
  return static_cast<int>(margin_text.size());
}

Result<std::optional<std::string>> CopyLineRange(xbase::Env& env, const std::string& report, const LineRange& range) {
  if (range.Empty()) return std::optional<std::string>();
  if (!env.Exists(report)) return Status::NotFound(MissingFileText(report));
  auto copy = WriteCopy(env, report, RangeCopyName(report), [&](ReportWriter& out) {
    return ForEachLineInRange(env, report, range, [&](std::string_view line) {
      out.Line(line);
      return Status::Ok();
    });
  });
  if (!copy.ok()) return copy.status();
  return std::optional<std::string>(std::move(*copy));
}

Result<PrintOutcome> PrintLineRange(xbase::Env& env, const std::string& report, const LineRange& range,
                                    const PrinterTarget& target, const PrintOptions& options) {
  auto copy = CopyLineRange(env, report, range);
  if (!copy.ok()) return copy.status();
  if (!copy->has_value()) return PrintOutcome::kNothingToPrint;
  return FileToPrinter(env, **copy, LineRange::All(), target, options);
}

Result<std::string> CopyWithEmptyLines(xbase::Env& env, const std::string& report, int empty_lines) {
  auto source = OpenForReading(env, report);
  if (!source.ok()) return source.status();
  const int added = std::clamp(empty_lines, 0, kMaxEmptyLines);
  return WriteCopy(env, report, RangeCopyName(report), [&](ReportWriter& out) {
    std::string block(kChunk, '\0');
    uint64_t offset = 0;
    char last = '\n';
    for (;;) {
      size_t got = 0;
      HURT_RETURN_IF_ERROR((*source)->ReadAt(offset, block.size(), block.data(), &got));
      if (got == 0) break;
      out.Write(std::string_view(block.data(), got));
      last = block[got - 1];
      offset += got;
      if (got < block.size()) break;
    }
    if (last != '\n') out.NewLine();  // the last line ends before the empty ones
    for (int i = 0; i < added; ++i) out.NewLine();
    return Status::Ok();
  });
}

Result<PrintOutcome> PrintWithEmptyLines(xbase::Env& env, const std::string& report, int empty_lines,
                                         const PrinterTarget& target, const PrintOptions& options) {
  auto copy = CopyWithEmptyLines(env, report, empty_lines);
  if (!copy.ok()) return copy.status();
  return FileToPrinter(env, *copy, LineRange::All(), target, options);
}

Result<PrintOutcome> Drukuj(xbase::Env& env, std::string_view data_dir, int station, const ReportProcedure& procedure,
                            const PrinterTarget& target, const PrintOptions& options) {
  const std::string path = DrukujFileName(data_dir, station);
  HURT_RETURN_IF_ERROR(env.CreateDirs(JoinPath(data_dir, "rob")));
  auto written = RunReport(env, path, procedure);
  if (!written.ok()) return written.status();
  auto printed = FileToPrinter(env, *written, LineRange::All(), target, options);
  (void)env.Remove(*written);
  return printed;
}

bool PrinterReady(xbase::Env& env, std::string_view data_dir, const PrinterTarget& target) {
  if (FileX(env, data_dir, "DRUKUJ.TXT")) return true;
  if (target.kind == PrinterTarget::Kind::kQueue) return true;
  const int fd = open(target.device.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  close(fd);
  return true;
}

std::string MojsetLpt(xbase::Env& env, std::string_view data_dir, int m_lpt) {
  if (!FileX(env, data_dir, "LPT.TXT")) return {};
  return m_lpt == 2 ? "LPT2" : "LPT1";
}

}  // namespace hurt::session
