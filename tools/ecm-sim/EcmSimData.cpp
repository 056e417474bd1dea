// Frames, the built-in engine's data and the modules file of the simulated engine module.
#include "ecm-sim/EcmSim.h"

#include "common/Errors.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

EcmBytes EcmSimFrame(std::uint8_t header, const EcmBytes& data) {
    EcmBytes frame;
    frame.reserve(data.size() + 3);
    frame.push_back(header);
    frame.push_back(static_cast<std::uint8_t>(0x55 + data.size()));
    frame.insert(frame.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (std::uint8_t b : frame)
        sum += b;
    frame.push_back(static_cast<std::uint8_t>((256 - sum % 256) % 256));
    return frame;
}

bool EcmSimFrameOK(const EcmBytes& frame) {
    if (frame.size() < 3)
        return false;
    const unsigned length = std::max<unsigned>(frame[1], 0x55);
    if (frame.size() != length - 0x55 + 3)
        return false;
    unsigned sum = frame[0] + length;
    for (std::size_t i = 2; i < frame.size(); ++i)
        sum += frame[i];
    return sum % 256 == 0;
}

namespace {

std::uint8_t clampByte(double v) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

// A big-endian 16-bit value whose low byte is data[lastIndex] (m[i - 1] holds data[i]).
void put16(EcmBytes& m, int lastIndex, long v) {
    v = std::clamp(v, 0L, 65535L);
    m[lastIndex - 2] = static_cast<std::uint8_t>(v >> 8);
    m[lastIndex - 1] = static_cast<std::uint8_t>(v & 0xFF);
}

// 0 at idle, rising smoothly to 1 during a 12 s excursion in every 30 s cycle.
double engineLoad(double t) {
    const double phase = std::fmod(t, 30.0);
    if (phase < 10.0 || phase > 22.0)
        return 0.0;
    const double s = std::sin((phase - 10.0) / 12.0 * M_PI);
    return s * s;
}

} // namespace

EcmBytes EcmSimEngineMessage(double t) {
    constexpr double pi = M_PI;
    t = std::max(t, 0.0);
    EcmBytes m(60, 0); // m[i - 1] holds data[i]
    auto set = [&m](int dataIndex, double v) { m[dataIndex - 1] = clampByte(v); };

    const double load = engineLoad(t);
    const bool rising = engineLoad(t + 0.5) > load;
    const double rpm = 750 + 2250 * load + 15 * std::sin(t * 2.3);
    const double coolant = 90 - 70 * std::exp(-t / 180.0);
    const double speed = 110 * load;
    const int gear = speed < 1 ? 0 : speed < 20 ? 6 : speed < 45 ? 5 : speed < 70 ? 4 : 3;
    const double o2Left = 450 + 350 * std::tanh(6 * std::sin(2 * pi * t / 1.1));
    const double o2Right = 450 + 350 * std::tanh(6 * std::sin(2 * pi * t / 1.3 + 1.0));
    const bool closedLoop = t > 30;
    const bool idle = load < 0.05;
    const bool acRequest = std::fmod(t, 120.0) >= 60.0;
    const bool dtc42 = static_cast<long>(t / 20) % 2 == 1;
    const double egrDuty = idle ? 0 : 35 * load;

    put16(m, 2, 0x427E);
    const std::uint8_t flagsA = (closedLoop ? 0x01 : 0) | (o2Left > 450 ? 0x02 : 0) |
                                (acRequest ? 0x04 : 0) | (gear == 0 || gear == 2 ? 0x08 : 0) |
                                (idle ? 0x10 : 0) | (gear == 3 && speed > 75 ? 0x20 : 0) |
                                (load > 0.8 ? 0x40 : 0) | (!rising && load > 0.2 ? 0x80 : 0);
    const std::uint8_t flagsB = (coolant > 85 ? 0x01 : 0) | (coolant > 85 && acRequest ? 0x02 : 0) |
                                (acRequest && rpm < 2500 ? 0x04 : 0) | 0x08 | (dtc42 ? 0x10 : 0) |
                                (egrDuty > 0 ? 0x20 : 0) | (closedLoop && !idle ? 0x40 : 0) |
                                (rpm > 2800 ? 0x80 : 0);
    m[2] = flagsA;
    m[3] = flagsB;
    m[5] = dtc42 ? 0x08 : 0x00; // trouble codes 2, bit 3: code 42
    set(8, (coolant + 40) / 0.75);
    set(9, (28 + 4 * load + 40) / 0.75);
    set(10, (35 + 55 * load - 10.35) / 0.369);
    set(11, (2 + 60 * load) * 2.55);
    put16(m, 13, std::lround(rpm));
    set(14, rpm / 25);
    set(15, speed);
    set(16, o2Left / 4.44);
    set(17, o2Right / 4.44);
    set(18, 141 + std::sin(t / 7.0));
    set(19, (15 + 20 * load) * 256 / 90);
    set(20, 30 - 20 * load);
    put16(m, 22, std::lround((2.5 + 5.5 * load) * 65.536));
    set(23, 128 + 3 * std::sin(t / 50.0));
    set(24, 126 + 3 * std::sin(t / 60.0));
    set(25, 128 + 6 * std::tanh(3 * std::sin(2 * pi * t / 1.1)));
    set(26, 128 + 6 * std::tanh(3 * std::sin(2 * pi * t / 1.3 + 1.0)));
    set(27, std::fmod(std::floor(t / 45), 256));
    set(28, gear);
    set(29, egrDuty * 2.55);
    set(30, (100 - 10.35) / 0.369);
    put16(m, 32, static_cast<long>(t));
    set(33, (75 - std::fmod(t / 120.0, 50)) * 2.55);
    return m;
}

EcmBytes EcmSimEncode160(const EcmBytes& data, std::uint8_t oneSample, std::uint8_t zeroSample) {
    EcmBytes samples(9, oneSample);
    samples.reserve(9 + 9 * data.size());
    for (std::uint8_t b : data) {
        samples.push_back(zeroSample);
        for (int bit = 7; bit >= 0; --bit)
            samples.push_back((b >> bit) & 1 ? oneSample : zeroSample);
    }
    return samples;
}

const char* EcmSimModulesFormat() {
    return "Modules file: one statement a line; '#' starts a comment; bytes are hexadecimal,\n"
           "with or without a leading '$' or '0x', separated by blanks or commas.\n"
           "  module F4                  starts module $F4 (the lines below belong to it)\n"
           "  reply 57 01 00 = 01 12 34  the request $F4,$57,$01,$00,<checksum> is answered with\n"
           "                             data bytes $01,$12,$34 (header, length byte and checksum\n"
           "                             are added); the request bytes are those after the header\n"
           "                             without the checksum: length byte and data\n"
           "  reply 56 02 = frame F4 56 02 B4\n"
           "                             answers with these bytes exactly as given (any checksum)\n"
           "  echo-mode 08 09 0A         requests of these modes are answered with themselves\n"
           "A module of the file comes before the built-in one: its replies win, and requests it\n"
           "does not know go on to the built-in $F4 engine module.\n";
}

namespace {

[[noreturn]] void fail(const std::string& origin, int line, const std::string& what) {
    throw EQuorvinError(origin + ", line " + std::to_string(line) + ": " + what);
}

std::uint8_t hexByte(std::string item, const std::string& origin, int line) {
    std::string digits = item;
    if (!digits.empty() && digits[0] == '$')
        digits.erase(0, 1);
    else if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits.erase(0, 2);
    if (digits.empty() || digits.size() > 2 ||
        !std::all_of(digits.begin(), digits.end(),
                     [](unsigned char c) { return std::isxdigit(c); }))
        fail(origin, line, "\"" + item + "\" is not a hexadecimal byte");
    return static_cast<std::uint8_t>(std::stoul(digits, nullptr, 16));
}

std::vector<std::string> words(const std::string& text) {
    std::string spaced = text;
    std::replace(spaced.begin(), spaced.end(), ',', ' ');
    std::istringstream in(spaced);
    std::vector<std::string> out;
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

EcmBytes byteList(const std::vector<std::string>& items, std::size_t from,
                  const std::string& origin, int line) {
    EcmBytes bytes;
    for (std::size_t i = from; i < items.size(); ++i)
        bytes.push_back(hexByte(items[i], origin, line));
    return bytes;
}

void parseReply(EcmSimModule& module, const std::string& rest, const std::string& origin,
                int line) {
    const auto eq = rest.find('=');
    if (eq == std::string::npos)
        fail(origin, line, "a reply needs \"=\" between request and reply bytes");
    const EcmBytes key = byteList(words(rest.substr(0, eq)), 0, origin, line);
    if (key.empty() || key[0] < 0x55 || key.size() != static_cast<std::size_t>(key[0] - 0x55 + 1))
        fail(origin, line, "the request bytes must be the length byte ($55 + n) and n data bytes");
    const auto replyWords = words(rest.substr(eq + 1));
    if (!replyWords.empty() && replyWords[0] == "frame") {
        EcmBytes frame = byteList(replyWords, 1, origin, line);
        if (frame.empty())
            fail(origin, line, "\"frame\" needs the reply's bytes");
        module.replies[key] = frame;
        return;
    }
    const EcmBytes data = byteList(replyWords, 0, origin, line);
    if (data.size() > 170)
        fail(origin, line, "a reply holds at most 170 data bytes");
    module.replies[key] = EcmSimFrame(module.header, data);
}

} // namespace

std::vector<EcmSimModule> ParseEcmSimModules(const std::string& text, const std::string& origin) {
    std::vector<EcmSimModule> modules;
    std::istringstream in(text);
    int lineNo = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNo;
        line = line.substr(0, line.find('#'));
        const auto items = words(line);
        if (items.empty())
            continue;
        const std::string& keyword = items[0];
        if (keyword == "module") {
            if (items.size() != 2)
                fail(origin, lineNo, "\"module\" needs one header byte");
            modules.push_back({});
            modules.back().header = hexByte(items[1], origin, lineNo);
            continue;
        }
        if (keyword != "reply" && keyword != "echo-mode")
            fail(origin, lineNo, "unknown statement \"" + keyword + "\"");
        if (modules.empty())
            fail(origin, lineNo, "\"" + keyword + "\" before the first \"module\" line");
        if (keyword == "reply") {
            parseReply(modules.back(), line.substr(line.find("reply") + 5), origin, lineNo);
        } else {
            const EcmBytes modes = byteList(items, 1, origin, lineNo);
            if (modes.empty())
                fail(origin, lineNo, "\"echo-mode\" needs at least one mode byte");
            modules.back().echoModes.insert(modes.begin(), modes.end());
        }
    }
    return modules;
}

std::vector<EcmSimModule> LoadEcmSimModules(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw EQuorvinError("Can't open " + path + ". " + std::strerror(errno));
    std::ostringstream text;
    text << file.rdbuf();
    return ParseEcmSimModules(text.str(), path);
}
