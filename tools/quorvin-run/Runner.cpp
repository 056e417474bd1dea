#include "Runner.h"

#include "RunOutput.h"
#include "SimPeer.h"
#include "common/Common.h"
#include "common/ConsoleBuffer.h"
#include "common/Errors.h"
#include "common/Format.h"
#include "common/IniFile.h"
#include "definitions/XMLData.h"
#include "engine/Cartridge.h"
#include "engine/RunWorker.h"
#include "link/Packet.h"
#include "link/PortHelp.h"
#include "link/RS232.h"
#include "link/Rtime.h"
#include "log/CsvExport.h"
#include "log/DataLog.h"
#include "log/LogExport.h"
#include "log/SafeFile.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>

namespace {

const char* const Usage =
    "Usage: quorvin-run --vehicle FILE --macro CODE-or-ID SOURCE [options]\n"
    "SOURCE is one of --port N, --device PATH, --sim or --replay FILE.alg.\n"
    "   or: quorvin-run --check --device PATH (or --port N) [--vehicle FILE]\n"
    "\n"
    "Runs a macro of a vehicle definition without the window, like Start in the program: each\n"
    "step sends the next request and reads its reply, every reply is logged and decoded, and\n"
    "three steps in a row without a frame end the run. Only the module's own reply is taken:\n"
    "frames of other modules on the bus are skipped and counted. At the end the run stops as\n"
    "Stop does (a chattering module gets its resume frame once) and the frames per second,\n"
    "time-outs, checksum errors and skipped bus frames are printed.\n"
    "\n"
    "Options:\n"
    "  --vehicle FILE      vehicle definition (.xml)\n"
    "  --macro CODE-or-ID  the macro's code (MacCode, any case) or its MacID\n"
    "  --port N            serial port ComN (1..8); its device is the ini file's [Devices] ComN\n"
    "  --device PATH       this serial device (/dev/ttyUSB0, a pseudo-terminal ...)\n"
    "  --sim               the simulated engine module on a pseudo-terminal of its own, echoing\n"
    "                      and chattering as the vehicle and the settings expect\n"
    "  --replay FILE.alg   decode a recorded log (binary or text) instead of talking to a port\n"
    "  --frames N          stop after N logged frames\n"
    "  --seconds S         stop after S seconds\n"
    "  --rate N            requests per second (default: the ini file's FrameCaptureRate, 10);\n"
    "                      0 sends each request as soon as the last reply is in\n"
    "  --log FILE.alg      write the frames to this log file as they come (on disk at least\n"
    "                      once a second); a name ending in .BIN writes the raw data stream\n"
    "  --split N           write the log in files of N frames: FILE-1.alg, FILE-2.alg, ...\n"
    "  --csv FILE.csv      write every value that can be exported, one line per frame, as the\n"
    "                      frames come\n"
    "  --csv-format F      the CSV layout: spreadsheet (the default: FRAME, then the values\n"
    "                      in the desktop's decimal separator) or portable (Time in seconds,\n"
    "                      Clock, the values with \".\", the flags as 0/1, Notes and Codes),\n"
    "                      which plotting tools and Python's csv module read as it is\n"
    "  --msl FILE.msl      write the same as the tab-separated log layout that engine log\n"
    "                      viewers read, a note as a MARK line\n"
    "  --test-mode         generate random replies instead of talking to the module\n"
    "  --detail            the link's full trace in the console lines\n"
    "  --check             test the link instead of running: the programs holding the device,\n"
    "                      the line its driver applied, the interface probe (the only frame\n"
    "                      sent), the driver's latency; exit 0 when usable, else 1 and why\n"
    "  --help              this text\n"
    "  --version           the version\n"
    "\n"
    "Settings not given here come from the ini file: QUORVIN_INI, else QuorvinV4.ini beside\n"
    "the program, or ~/.config/Quorvin/QuorvinV4.ini when the program is installed (bin/ with\n"
    "share/quorvin/ beside it): [Comm] Port, DataBits, Parity, StopBits, Echo, DTR, RTS;\n"
    "[Properties] FrameCaptureRate, PreciseTiming; [fMain] Test and ViewIO. Ctrl+C, SIGTERM and\n"
    "SIGHUP stop the run cleanly with complete files; a closed standard output stops nothing.\n"
    "\n"
    "Exit status: 0 clean run; 1 a failure (missing file, unknown macro, no device, no reply\n"
    "from the module, a file that cannot be written); 2 a wrong command line.\n";

std::atomic<bool> interrupted{false};

void onSignal(int) {
    interrupted = true;
}

// While a run writes its files, SIGINT, SIGTERM and SIGHUP only ask it to stop; a second one
// during the final writes changes nothing.
class TSignalGuard {
public:
    TSignalGuard() {
        interrupted = false;
        struct sigaction stop {};
        stop.sa_handler = onSignal;
        sigemptyset(&stop.sa_mask);
        for (size_t i = 0; i < Stops.size(); ++i)
            sigaction(Stops[i], &stop, &saved_[i]);
    }
    ~TSignalGuard() {
        for (size_t i = 0; i < Stops.size(); ++i)
            sigaction(Stops[i], &saved_[i], nullptr);
    }
    TSignalGuard(const TSignalGuard&) = delete;
    TSignalGuard& operator=(const TSignalGuard&) = delete;

private:
    static constexpr std::array<int, 3> Stops{SIGINT, SIGTERM, SIGHUP};
    std::array<struct sigaction, 3> saved_{};
};

int wholeNumber(const std::string& option, const std::string& text, int lo, int hi) {
    size_t used = 0;
    int n = 0;
    try {
        n = std::stoi(text, &used, 10);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || n < lo || n > hi)
        throw std::invalid_argument(Format("%s takes a whole number %d..%d, not \"%s\"",
                                           option.c_str(), lo, hi, text.c_str()));
    return n;
}

// Prints console lines as they are flushed.
class TStdoutConsole : public TConsoleTarget {
public:
    int LineCount() override { return lines_; }
    void Clear() override { lines_ = 0; }
    void AppendLine(const std::string& line, uint32_t) override {
        std::fputs(line.c_str(), stdout);
        std::fputc('\n', stdout);
        ++lines_;
    }
    void Repaint() override { std::fflush(stdout); }

private:
    int lines_ = 0;
};

// Counts what the summary reports while passing every line on to the console buffer.
struct TLineCounts {
    int Timeouts = 0;
    int ChecksumErrors = 0;
};

std::string upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

// The link's settings as the properties dialog applies them, from the ini file.
void ApplySettings(TRS232& link, const TIniFile& ini, const std::string& aldl) {
    const std::string port = ini.ReadString("Comm", "Port", "Com1");
    int n = 0;
    for (int i = 1; i <= 8; ++i)
        if (upper(port) == Format("COM%d", i))
            n = i;
    link.SetPort(n);
    link.SetBaud(8228);
    int value = 8;
    link.SetDataBits(TryReadInt(ini.ReadString("Comm", "DataBits", "8"), value) ? value : 8);
    // The ini file holds the dialog's words; the link takes their letters.
    const std::string parity = upper(ini.ReadString("Comm", "Parity", "None"));
    link.SetParity(parity == "ODD" ? "O" : parity == "EVEN" ? "E" : parity == "MARK" ? "M" : "N");
    link.SetStopBits(
        std::max(1, static_cast<int>(ReadNumber(ini.ReadString("Comm", "StopBits", "1"), 1))));
    link.Echo = ini.ReadString("Comm", "Echo", "1") == "1";
    if (aldl == "160-808" || aldl == "160-C3") {
        link.SetBaud(aldl == "160-808" ? 1600 : 2400);
        link.SetDataBits(8);
        link.SetParity("N");
        link.SetStopBits(1);
        link.Echo = false;
    }
    link.HoldDTR = ini.ReadString("Comm", "DTR", "0") == "1";
    link.HoldRTS = ini.ReadString("Comm", "RTS", "0") == "1";
    value = 10;
    link.FrameCaptureRate =
        TryReadInt(ini.ReadString("Properties", "FrameCaptureRate", "10"), value) ? value : 10;
}

namespace {

// The MacID of the macro named by its MacID or its MacCode (exact first, then any case).
std::optional<int> FindMacro(TVehicle& vehicle, const std::string& wanted, std::string& known) {
    TTable& macros = *vehicle.Macros;
    std::optional<int> byCase;
    int id = 0;
    const bool number = TryReadInt(wanted, id) && !wanted.empty() &&
                        std::all_of(wanted.begin(), wanted.end(), [](char c) {
                            return std::isdigit(static_cast<unsigned char>(c));
                        });
    std::optional<int> found;
    for (macros.First(); !macros.Eof(); macros.Next()) {
        const int macId = macros.AsInteger("MacID");
        const std::string code = macros.AsString("MacCode");
        known += Format("\n  %d  %s", macId, code.c_str());
        if (found)
            continue;
        if ((number && macId == id) || code == wanted)
            found = macId;
        else if (!byCase && upper(code) == upper(wanted))
            byCase = macId;
    }
    return found ? found : byCase;
}

std::vector<uint8_t> ByteList(const std::string& text) {
    std::vector<uint8_t> bytes;
    for (const std::string& item : ByteListItems(text))
        if (!item.empty())
            bytes.push_back(static_cast<uint8_t>(ByteListValue(item)));
    return bytes;
}

struct TRunResult {
    int Frames = 0;
    double Seconds = 0;
    bool Failed = false;
    std::string Reason;
};

class TRunner {
public:
    explicit TRunner(const TRunOptions& o)
        : o_(o), ini_(IniPath()), vehicle_(nullptr), link_(timer_),
          engine_(vehicle_, link_, timer_) {
        console_.SetTarget(&stdout_);
        const TConsoleWriter add = console_.Writer();
        writer_ = [this, add](const std::string& text, int level) {
            counts_.Timeouts += level == clTimeout;
            counts_.ChecksumErrors += text == "Error: Reply frame checksum failure";
            add(text, level);
        };
        engine_.SetConsoleWriter(writer_);
        std::string error;
        vehicle_.SetErrorReporter([&error](const std::string& m) { error = m; });
        if (!std::filesystem::is_regular_file(o.Vehicle))
            throw EQuorvinError("Vehicle file " + o.Vehicle + " not found.");
        if (!vehicle_.LoadFromFile(o.Vehicle))
            throw EQuorvinError(error.empty() ? "Can't load vehicle file " + o.Vehicle : error);
        vehicle_.SetErrorReporter({});
        std::string known;
        const std::optional<int> macId = FindMacro(vehicle_, o.Macro, known);
        if (!macId)
            throw EQuorvinError(
                "Macro \"" + o.Macro + "\" is not in " + o.Vehicle +
                (known.empty() ? ", which has no macros." : ". Its macros:" + known));
        engine_.LoadMacro(*macId);
        engine_.ConsoleDetail = o.Detail || ini_.ReadString("fMain", "ViewIO", "0") == "1";
    }

    int Replay() {
        TDataLog log;
        log.LoadFromFile(o_.Replay);
        const int to = o_.Frames > 0 ? std::min(o_.Frames, log.Count()) : log.Count();
        if (!log.LoadWarning().empty())
            std::printf("%s\n", log.LoadWarning().c_str());
        // Each export goes through a temporary file: a failed replay keeps an earlier file.
        std::vector<TExport> exports = makeExports();
        std::vector<std::unique_ptr<TSafeFile>> files;
        for (TExport& x : exports) {
            files.push_back(std::make_unique<TSafeFile>(x.Path));
            files.back()->Buffer() = x.Writer->Header();
        }
        engine_.ResetValues();
        TPacket frame;
        for (int i = 0; i < to; ++i) {
            log.ReadFrame(i, frame);
            engine_.DecodeFrame(frame, false); // a broken frame shows here
            for (size_t x = 0; x < exports.size(); ++x) {
                exports[x].Writer->AppendRow(frame, i, files[x]->Buffer());
                files[x]->WriteIfFull();
            }
        }
        for (auto& file : files)
            file->Commit();
        if (!o_.Log.empty())
            log.SaveToFile(o_.Log);
        std::printf("Replayed %d frames of %s%s\n", to, log.FileName().c_str(),
                    log.LastLoadTruncated() ? " (its last record was cut short)" : "");
        if (log.BadChecksums() > 0)
            std::printf("%d of %d frames have a bad checksum\n", log.BadChecksums(), log.Count());
        for (const TExport& x : exports)
            std::printf("%s: %s\n", x.Label.c_str(), x.Path.c_str());
        if (!o_.Log.empty())
            std::printf("Log: %s\n", o_.Log.c_str());
        return ExitOK;
    }

    int Live() {
        const TSignalGuard signals; // until the summary is out
        // The files first: a wrong path fails before the module is woken.
        std::vector<TExport> exports = makeExports();
        TRunOutput out(o_.Log, o_.Split);
        for (const TExport& x : exports)
            out.AddText(x.Label, x.Path, x.Writer->Header());
        out.Open();
        const bool testMode = o_.TestMode || ini_.ReadString("fMain", "Test", "0") == "1";
        const bool precise = ini_.ReadString("Properties", "PreciseTiming", "1") == "1";
        ApplySettings(link_, ini_, engine_.Aldl8192 ? "8192" : aldl());
        if (o_.Port > 0)
            link_.SetPort(o_.Port);
        if (o_.Rate >= 0)
            link_.FrameCaptureRate = o_.Rate;

        std::unique_ptr<TSimPeer> sim;
        if (o_.Sim) {
            TSimSettings s;
            s.Echo = link_.Echo;
            s.Chatter = engine_.Chatter;
            s.Heartbeat = ByteList(engine_.HeartBeat);
            s.Stream160 = engine_.Aldl8192 ? 0 : link_.Baud();
            sim = std::make_unique<TSimPeer>(s);
            link_.SetDevice(sim->DevicePath());
        } else if (!o_.Device.empty()) {
            link_.SetDevice(o_.Device);
        }
        writer_(Format("Opening COM%d %d,%d,%s,%d", link_.Port(), link_.Baud() == 8228 ? 8228 : 160,
                       link_.DataBits(), link_.Parity().c_str(), link_.StopBits()),
                clInfo);
        console_.Flush();
        try {
            link_.Open();
        } catch (const EQuorvinError& e) {
            for (const std::string& line :
                 PortAdvice(link_.DevicePath(), link_.LastOpenError(), TPortHelpFor::Runner)) {
                writer_(line, clInfo);
            }
            console_.Flush();
            throw EQuorvinError(std::string(e.what()) + " (device " + link_.DevicePath() + ")");
        }
        if (testMode)
            writer_("Macro test mode: random ALDL data are generated, the module is not asked.",
                    clInfo);

        TRunResult r = runLoop(testMode, precise, out, exports);
        link_.Close();
        sim.reset();

        std::printf("Frames: %d in %.2f s, %.2f frames/s; time-outs: %d; checksum errors: %d; "
                    "skipped bus frames: %d\n",
                    r.Frames, r.Seconds, r.Seconds > 0 ? r.Frames / r.Seconds : 0.0,
                    counts_.Timeouts, counts_.ChecksumErrors, engine_.BusFrames());
        if (r.Failed) {
            std::fprintf(stderr, "quorvin-run: %s\n", r.Reason.c_str());
            return ExitFailed;
        }
        return ExitOK;
    }

private:
    // A text export of the run: every value the format can hold, with the time of day, the
    // notes and the trouble codes in the formats for other programs.
    struct TExport {
        std::string Label, Path;
        std::unique_ptr<TExportWriter> Writer;
    };

    std::vector<TExport> makeExports() const {
        std::vector<TExport> exports;
        const auto add = [&](const char* label, const std::string& path, TExportFormat format) {
            if (path.empty())
                return;
            const TExportOptions options{format, true, true, true};
            exports.push_back({label, path,
                               std::make_unique<TExportWriter>(
                                   engine_, ExportChoices(engine_, format), options)});
        };
        add("CSV", o_.Csv, o_.CsvFormat);
        add("MSL", o_.Msl, TExportFormat::Msl);
        return exports;
    }

    std::string aldl() {
        TTable& v = *vehicle_.Vehicles;
        return v.AsString("ALDL");
    }

    std::string silentModule() const {
        const int other = engine_.BusFrames();
        return "The module does not answer: no reply in three steps in a row; the run stopped." +
               (other > 0 ? Format(" %d frame(s) of other modules were on the bus.", other)
                          : std::string());
    }

    TRunSettings runSettings(bool testMode, bool precise) const {
        TRunSettings settings;
        settings.ShowFrames = o_.Detail;
        settings.TestMode = testMode;
        settings.PreciseTiming = precise;
        settings.Detail = engine_.ConsoleDetail;
        return settings;
    }

    // A console line of the worker: counted for the summary and printed.
    void takeLine(const TRunEvent& e, std::string& lastError) {
        counts_.Timeouts += e.Level == clTimeout;
        counts_.ChecksumErrors += e.Text == "Error: Reply frame checksum failure";
        if (e.Level == clError)
            lastError = e.Text;
        console_.AddStamped(e.Text, e.Level, e.Stamp);
    }

    // A file that cannot be written (a full disk, a pulled stick) stops the run with the
    // system's message; what reached the disk stays a valid log.
    void writeFailed(const std::exception& e, TRunResult& r) {
        if (r.Reason != e.what()) {
            writer_(e.what(), clError); // once, though the last write at the end fails again
        }
        if (!r.Failed) {
            r.Failed = true;
            r.Reason = e.what();
        }
    }

    // One logged frame: decoded, then written to the log and the text exports.
    void takeFrame(const TRunEvent& e, TRunOutput& out, std::vector<TExport>& exports,
                   TRunResult& r) {
        engine_.DecodeFrame(*e.Frame, true);
        out.Frame(
            *e.Frame,
            [&](size_t x, std::string& buffer) {
                exports[x].Writer->AppendRow(*e.Frame, r.Frames, buffer);
            },
            [this](const std::string& line) { writer_(line, clInfo); });
        ++r.Frames;
    }

    // The run's end as the worker gave it: a failure, a silent module or a clean end.
    void judgeEnd(TRunEnd why, const std::string& lastError, TRunResult& r) const {
        if (r.Failed) {
            return; // a file failed first
        }
        if (why == TRunEnd::Failed) {
            r.Failed = true;
            r.Reason = lastError;
        } else if (why == TRunEnd::NoFrames &&
                   (engine_.Restart || engine_.ItemIndex < engine_.ItemCount)) {
            r.Failed = true; // not a macro that came to its end
            r.Reason = silentModule();
        }
    }

    // The worker reads and paces; this thread decodes and writes each frame as it comes.
    TRunResult runLoop(bool testMode, bool precise, TRunOutput& out,
                       std::vector<TExport>& exports) {
        TRunResult r;
        TRunQueue queue;
        TRunWorker worker(queue);
        writer_(Format("Start macro: %s", engine_.MacroTitle.c_str()), clInfo);
        engine_.ResetValues();
        console_.SetBuffered(!testMode);
        console_.Flush();
        const auto start = std::chrono::steady_clock::now();
        auto elapsed = [&] {
            return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        };
        worker.StartRun(engine_, runSettings(testMode, precise));
        std::vector<TRunEvent> events;
        std::string lastError;
        bool stopping = false;
        TRunEnd why = TRunEnd::Stopped;
        for (bool ended = false; !ended;) {
            events.clear();
            queue.WaitTakeAll(events, 20);
            try {
                for (const TRunEvent& e : events) {
                    if (e.Kind == TRunEvent::TKind::Line) {
                        takeLine(e, lastError);
                    } else if (e.Kind == TRunEvent::TKind::Frame && !stopping) {
                        takeFrame(e, out, exports, r);
                        stopping = o_.Frames > 0 && r.Frames >= o_.Frames;
                    } else if (e.Kind == TRunEvent::TKind::Ended) {
                        ended = true;
                        why = e.End;
                    }
                }
                out.Tick();
            } catch (const EQuorvinError& e) {
                writeFailed(e, r);
                stopping = true;
            }
            console_.Flush();
            stopping = stopping || interrupted || (o_.Seconds > 0 && elapsed() >= o_.Seconds);
            if (stopping && r.Seconds == 0) {
                r.Seconds = elapsed();
                worker.Stop(); // its resume frame and its end come through the queue
            }
        }
        worker.Join();
        if (r.Seconds == 0)
            r.Seconds = elapsed();
        judgeEnd(why, lastError, r);
        writer_(Format("Stop macro: %s", engine_.MacroTitle.c_str()), clInfo);
        writer_("", clInfo);
        console_.Flush();
        try {
            out.Close();
        } catch (const EQuorvinError& e) {
            writeFailed(e, r);
            console_.Flush();
        }
        return r;
    }

    const TRunOptions& o_;
    TIniFile ini_;
    TRtime timer_;
    TStdoutConsole stdout_;
    TConsoleBuffer console_;
    TVehicle vehicle_;
    TRS232 link_;
    TCartridge engine_;
    TConsoleWriter writer_;
    TLineCounts counts_;
};

// The file a name comes to, for telling whether two options name the same one.
std::string fileKey(std::string name, const char* defaultExtension) {
    namespace fs = std::filesystem;
    if (defaultExtension && fs::path(name).extension().empty()) {
        name += defaultExtension;
    }
    std::error_code error;
    const fs::path full = fs::weakly_canonical(fs::absolute(name, error), error);
    return error ? name : full.string();
}

// Every file the run writes has a name of its own: one written over another, or over the
// vehicle or the log being read, would destroy it.
void checkOwnFiles(const TRunOptions& o) {
    struct TNamed {
        const char* option;
        const std::string& name;
        const char* defaultExtension;
        bool written;
    };
    const TNamed files[] = {{"--vehicle", o.Vehicle, ".xml", false},
                            {"--replay", o.Replay, nullptr, false},
                            {"--log", o.Log, ".alg", true},
                            {"--csv", o.Csv, nullptr, true},
                            {"--msl", o.Msl, nullptr, true}};
    for (size_t i = 0; i < std::size(files); ++i) {
        for (size_t j = i + 1; j < std::size(files); ++j) {
            const TNamed &a = files[i], &b = files[j];
            if (a.name.empty() || b.name.empty() || !(a.written || b.written)) {
                continue;
            }
            const std::string key = fileKey(a.name, a.defaultExtension);
            if (key == fileKey(b.name, b.defaultExtension)) {
                throw std::invalid_argument(std::string(a.option) + " and " + b.option +
                                            " name the same file, " + key +
                                            ": each needs a file of its own");
            }
        }
    }
}

} // namespace

const char* RunUsage() {
    return Usage;
}

TRunOptions ParseRunOptions(int argc, char** argv) {
    TRunOptions o;
    int sources = 0;
    bool csvFormat = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw std::invalid_argument(a + " needs a value");
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            o.Help = true;
            return o;
        } else if (a == "--version") {
            o.Version = true;
            return o;
        } else if (a == "--vehicle") {
            o.Vehicle = value();
        } else if (a == "--macro") {
            o.Macro = value();
        } else if (a == "--port") {
            o.Port = wholeNumber(a, value(), 1, 8);
            ++sources;
        } else if (a == "--device") {
            o.Device = value();
            ++sources;
        } else if (a == "--sim") {
            o.Sim = true;
            ++sources;
        } else if (a == "--replay") {
            o.Replay = value();
            ++sources;
        } else if (a == "--frames") {
            o.Frames = wholeNumber(a, value(), 1, 1 << 30);
        } else if (a == "--seconds") {
            const std::string text = value();
            const double s = ReadNumber(text, -1);
            if (!(s > 0))
                throw std::invalid_argument("--seconds takes a positive number, not \"" + text +
                                            "\"");
            o.Seconds = s;
        } else if (a == "--rate") {
            o.Rate = wholeNumber(a, value(), 0, 1000);
        } else if (a == "--log") {
            o.Log = value();
        } else if (a == "--split") {
            o.Split = wholeNumber(a, value(), 1, 1 << 30);
        } else if (a == "--csv") {
            o.Csv = value();
        } else if (a == "--csv-format") {
            const std::string name = value();
            csvFormat = true;
            if (!ExportFormatOf(name, o.CsvFormat) || o.CsvFormat == TExportFormat::Msl)
                throw std::invalid_argument("--csv-format takes spreadsheet or portable, not \"" +
                                            name + "\"");
        } else if (a == "--msl") {
            o.Msl = value();
        } else if (a == "--test-mode") {
            o.TestMode = true;
        } else if (a == "--detail") {
            o.Detail = true;
        } else if (a == "--check") {
            o.Check = true;
        } else {
            throw std::invalid_argument("unknown option " + a);
        }
    }
    if (csvFormat && o.Csv.empty())
        throw std::invalid_argument("--csv-format needs --csv FILE");
    if (o.Check && (sources != 1 || o.Sim || !o.Replay.empty()))
        throw std::invalid_argument("--check takes --device PATH or --port N");
    if (o.Check)
        return o;
    if (o.Vehicle.empty())
        throw std::invalid_argument("--vehicle FILE is missing");
    if (o.Macro.empty())
        throw std::invalid_argument("--macro CODE-or-ID is missing");
    if (sources != 1)
        throw std::invalid_argument("give exactly one of --port, --device, --sim and --replay");
    checkOwnFiles(o);
    return o;
}

int Run(const TRunOptions& options) {
    // A closed standard output (a pipe into head) must not end the run: the files matter more
    // than the printed lines.
    std::signal(SIGPIPE, SIG_IGN);
    // A file-size limit makes the write that passes it fail, with a message and the files whole,
    // instead of ending the program at once.
    std::signal(SIGXFSZ, SIG_IGN);
    InitFolders();
    TRunner runner(options);
    return options.Replay.empty() ? runner.Live() : runner.Replay();
}
