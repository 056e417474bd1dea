#include "Runner.h"

#include "SimPeer.h"
#include "common/Common.h"
#include "common/ConsoleBuffer.h"
#include "common/Errors.h"
#include "common/Format.h"
#include "common/IniFile.h"
#include "definitions/XMLData.h"
#include "engine/Cartridge.h"
#include "link/Packet.h"
#include "link/PortHelp.h"
#include "link/RS232.h"
#include "link/Rtime.h"
#include "log/CsvExport.h"
#include "log/DataLog.h"

#include <algorithm>
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
    "  --log FILE.alg      write the frames to this log file; runs longer than 300 frames are\n"
    "                      written to FILE-1.alg, FILE-2.alg, ... (300 frames each); a name\n"
    "                      ending in .BIN writes the raw data stream\n"
    "  --csv FILE.csv      write every value that can be exported, one line per frame\n"
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
    "[Properties] FrameCaptureRate, PreciseTiming; [fMain] Test and ViewIO. Ctrl+C stops the\n"
    "run cleanly.\n"
    "\n"
    "Exit status: 0 clean run; 1 a failure (missing file, unknown macro, no device, no reply\n"
    "from the module, a file that cannot be written); 2 a wrong command line.\n";

std::atomic<bool> interrupted{false};

void onSignal(int) {
    interrupted = true;
}

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

// Log files of a run: the name as given while the run fits the capture buffer, else name-1,
// name-2, ... with the given extension (".alg" when there is none).
class TLogWriter {
public:
    explicit TLogWriter(std::string name) : name_(std::move(name)) {}
    bool Wanted() const { return !name_.empty(); }
    // The buffer is full: its frames go to the next numbered file.
    std::string SaveChunk(TDataLog& log) {
        const std::string file = numbered(++chunks_);
        log.SaveToFile(file);
        return file;
    }
    std::string SaveLast(TDataLog& log) {
        const std::string file = chunks_ ? numbered(++chunks_) : plain();
        log.SaveToFile(file);
        return file;
    }

private:
    std::string plain() const {
        return std::filesystem::path(name_).has_extension() ? name_ : name_ + ".alg";
    }
    std::string numbered(int k) const {
        std::filesystem::path p(name_);
        const std::string ext = p.has_extension() ? p.extension().string() : ".alg";
        p.replace_extension();
        return p.string() + Format("-%d", k) + ext;
    }
    std::string name_;
    int chunks_ = 0;
};

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
        if (!o_.Csv.empty())
            WriteCsvFile(o_.Csv, CsvText(engine_, log, ExportableAttributes(engine_), {0, to}));
        else
            CsvText(engine_, log, {}, {0, to}); // decodes them all: a broken frame shows here
        if (!o_.Log.empty())
            log.SaveToFile(o_.Log);
        std::printf("Replayed %d frames of %s%s\n", to, log.FileName().c_str(),
                    log.LastLoadTruncated() ? " (its last record was cut short)" : "");
        if (!o_.Csv.empty())
            std::printf("CSV: %s\n", o_.Csv.c_str());
        if (!o_.Log.empty())
            std::printf("Log: %s\n", o_.Log.c_str());
        return ExitOK;
    }

    int Live() {
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

        TRunResult r = runLoop(testMode, precise);
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

    TRunResult runLoop(bool testMode, bool precise) {
        TRunResult r;
        TDataLog log;
        TLogWriter files(o_.Log);
        const std::vector<TExportColumn> columns =
            CsvColumns(engine_, ExportableAttributes(engine_));
        std::string csv;
        if (!o_.Csv.empty())
            csv = CsvHeader(engine_, columns);

        interrupted = false;
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        writer_(Format("Start macro: %s", engine_.MacroTitle.c_str()), clInfo);
        engine_.ResetValues();
        console_.SetBuffered(!testMode);
        const auto start = std::chrono::steady_clock::now();
        auto elapsed = [&] {
            return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        };
        engine_.BeginRun();
        bool running = true;
        while (running) {
            int tries = 0;
            for (;;) {
                std::unique_ptr<TPacket> frame;
                try {
                    frame = engine_.ExecuteStep(o_.Detail, testMode, precise);
                } catch (const std::exception& e) {
                    // The port failed (a device unplugged, say): stop, keep what was logged.
                    writer_(e.what(), clError);
                    r.Failed = true;
                    r.Reason = e.what();
                    running = false;
                    break;
                }
                const bool gotFrame = frame != nullptr;
                if (frame && frame->Header() != 0) {
                    try {
                        if (log.Count() == TDataLog::Capacity) {
                            if (files.Wanted())
                                writer_("Log saved to " + files.SaveChunk(log), clInfo);
                            log.Clear();
                        }
                        log.Add(std::move(frame), true);
                        TPacket& logged = log.Frames(log.Count() - 1);
                        engine_.DecodeFrame(logged, true);
                        if (!o_.Csv.empty())
                            csv += CsvRow(engine_, r.Frames, columns);
                        ++r.Frames;
                    } catch (const std::exception& e) {
                        writer_(e.what(), clInfo);
                        r.Failed = true;
                        r.Reason = e.what();
                        running = false;
                    }
                }
                console_.Flush();
                // A frame (one with header 0 too) ends the pass; no frame means the step failed
                // or the macro has ended.
                if (gotFrame || !running || interrupted)
                    break;
                if (++tries >= 3) {
                    running = false;
                    const bool ended = !engine_.Restart && engine_.ItemIndex >= engine_.ItemCount;
                    if (!ended) {
                        r.Failed = true;
                        r.Reason = silentModule();
                    }
                    break;
                }
            }
            if (interrupted || (o_.Frames > 0 && r.Frames >= o_.Frames) ||
                (o_.Seconds > 0 && elapsed() >= o_.Seconds))
                running = false;
        }
        r.Seconds = elapsed();
        // Stop: the module chatters again; the resume frame goes out once.
        try {
            engine_.ResumeChatter();
        } catch (const std::exception& e) {
            writer_(e.what(), clError);
        }
        writer_(Format("Stop macro: %s", engine_.MacroTitle.c_str()), clInfo);
        writer_("", clInfo);
        console_.Flush();
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);

        if (files.Wanted()) {
            if (log.Empty())
                std::printf("No frames logged; %s not written\n", o_.Log.c_str());
            else
                std::printf("Log: %s\n", files.SaveLast(log).c_str());
        }
        if (!o_.Csv.empty()) {
            WriteCsvFile(o_.Csv, csv);
            std::printf("CSV: %s\n", o_.Csv.c_str());
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

} // namespace

const char* RunUsage() {
    return Usage;
}

TRunOptions ParseRunOptions(int argc, char** argv) {
    TRunOptions o;
    int sources = 0;
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
        } else if (a == "--csv") {
            o.Csv = value();
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
    return o;
}

int Run(const TRunOptions& options) {
    InitFolders();
    TRunner runner(options);
    return options.Replay.empty() ? runner.Live() : runner.Replay();
}
