#include "link/SystemUsers.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

bool realRoot(const TPortHelpSystem& system) {
    std::error_code error;
    return fs::equivalent(system.EtcRoot, "/etc", error);
}

std::vector<std::string> fields(const std::string& line, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(line);
    while (std::getline(in, part, separator))
        parts.push_back(part);
    if (!line.empty() && line.back() == separator)
        parts.emplace_back();
    return parts;
}

std::optional<long> number(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    return *end == '\0' && n >= 0 ? std::optional<long>(n) : std::nullopt;
}

// The first line of a colon-separated database whose field `key` reads `value`.
std::vector<std::string> findEntry(const std::string& file, size_t key, const std::string& value,
                                   size_t minFields) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> parts = fields(line, ':');
        if (parts.size() >= minFields && parts[key] == value)
            return parts;
    }
    return {};
}

// The numbers after "<key>:" in proc/self/status.
std::vector<long> statusNumbers(const TPortHelpSystem& system, const std::string& key) {
    std::ifstream in(fs::path(system.ProcRoot) / "self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key + ":", 0) != 0)
            continue;
        std::istringstream values(line.substr(key.size() + 1));
        std::vector<long> found;
        for (long n = 0; values >> n;)
            found.push_back(n);
        return found;
    }
    return {};
}

std::string nssUserName(uid_t uid) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->pw_name;
    return {};
}

std::optional<TGroupEntry> nssGroup(gid_t gid) {
    // Big groups need a big buffer: grow it until the entry fits.
    for (size_t size = 16384; size <= (1u << 24); size *= 4) {
        std::vector<char> buffer(size);
        group entry{};
        group* found = nullptr;
        const int error = getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE)
            continue;
        if (error != 0 || !found)
            return std::nullopt;
        TGroupEntry result{found->gr_name, {}};
        for (char** member = found->gr_mem; member && *member; ++member)
            result.Members.emplace_back(*member);
        return result;
    }
    return std::nullopt;
}

std::optional<gid_t> nssPrimaryGroup(const std::string& user) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwnam_r(user.c_str(), &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->pw_gid;
    return std::nullopt;
}

} // namespace

std::string RootUserName(const TPortHelpSystem& system) {
    const std::vector<long> uids = statusNumbers(system, "Uid");
    const uid_t uid = uids.size() >= 2 ? static_cast<uid_t>(uids[1]) : geteuid();
    const std::vector<std::string> entry =
        findEntry((fs::path(system.EtcRoot) / "passwd").string(), 2, std::to_string(uid), 4);
    if (!entry.empty())
        return entry[0];
    if (realRoot(system)) {
        if (std::string name = nssUserName(uid); !name.empty())
            return name;
        if (const char* name = std::getenv("USER"))
            return name;
    }
    return std::to_string(uid);
}

std::optional<TGroupEntry> RootGroup(gid_t gid, const TPortHelpSystem& system) {
    const std::vector<std::string> entry =
        findEntry((fs::path(system.EtcRoot) / "group").string(), 2, std::to_string(gid), 3);
    if (entry.empty())
        return realRoot(system) ? nssGroup(gid) : std::nullopt;
    TGroupEntry result{entry[0], {}};
    if (entry.size() >= 4) {
        for (const std::string& member : fields(entry[3], ','))
            if (!member.empty())
                result.Members.push_back(member);
    }
    return result;
}

std::optional<gid_t> RootPrimaryGroup(const std::string& user, const TPortHelpSystem& system) {
    const std::vector<std::string> entry =
        findEntry((fs::path(system.EtcRoot) / "passwd").string(), 0, user, 4);
    if (entry.empty())
        return realRoot(system) ? nssPrimaryGroup(user) : std::nullopt;
    const std::optional<long> gid = number(entry[3]);
    return gid ? std::optional<gid_t>(static_cast<gid_t>(*gid)) : std::nullopt;
}

std::vector<gid_t> RootSessionGroups(const TPortHelpSystem& system) {
    std::vector<gid_t> groups;
    for (long gid : statusNumbers(system, "Groups"))
        groups.push_back(static_cast<gid_t>(gid));
    const std::vector<long> gids = statusNumbers(system, "Gid");
    if (gids.size() >= 2) {
        groups.push_back(static_cast<gid_t>(gids[1]));
    } else if (realRoot(system)) {
        // No status file to read: ask the kernel directly.
        std::vector<gid_t> own(static_cast<size_t>(std::max(0, getgroups(0, nullptr))));
        const int n = getgroups(static_cast<int>(own.size()), own.data());
        own.resize(static_cast<size_t>(std::max(0, n)));
        groups.insert(groups.end(), own.begin(), own.end());
        groups.push_back(getegid());
    }
    return groups;
}
