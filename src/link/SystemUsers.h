#pragma once
// Users and groups as the files below a system root give them: etc/passwd, etc/group and the
// process's own proc/self/status. For the running system's own root the name service fills in
// what the files lack (users and groups of a directory server).
#include "link/PortHelp.h"

#include <optional>
#include <string>
#include <vector>

// The user of this process's effective user id.
std::string RootUserName(const TPortHelpSystem& system);
std::optional<TGroupEntry> RootGroup(gid_t gid, const TPortHelpSystem& system);
// The group passwd gives the user.
std::optional<gid_t> RootPrimaryGroup(const std::string& user, const TPortHelpSystem& system);
// The groups this process has: the supplementary ones and the effective group.
std::vector<gid_t> RootSessionGroups(const TPortHelpSystem& system);
