// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The program users type: it reaches the running instance over its socket
// and starts the full program only when none answers. It links no Qt, so a
// command costs little more than the exchange itself.
#include "control/ChannelLocation.h"
#include "control/CommandLine.h"
#include "control/InstanceStart.h"

#include <climits>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The full program: beside this one in a build tree, or in the private
// program folder of an installation. Never looked up on PATH.
std::optional<std::string> applicationProgram() {
    char self[PATH_MAX];
    const ssize_t size = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (size <= 0)
        return std::nullopt;
    const std::string path(self, static_cast<std::size_t>(size));
    const std::string folder = path.substr(0, path.rfind('/'));
    for (const std::string& candidate :
         {folder + "/vantri-app", folder + "/../libexec/vantri/vantri-app"}) {
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return std::nullopt;
}

int run(const std::vector<std::string>& arguments) {
    const InstanceStart::Invocation invocation = InstanceStart::readInvocation(arguments);
    if (invocation.exitCode)
        return *invocation.exitCode;
    const CommandLine& commandLine = invocation.commandLine;
    const ChannelLocation& location = invocation.location;
    InstanceStart::Reach reach = InstanceStart::reachRunningInstance(commandLine.command, location);
    if (reach.exitCode)
        return *reach.exitCode;

    const std::optional<std::string> program = applicationProgram();
    if (!program) {
        InstanceStart::report("cannot find the program vantri-app beside this one or in "
                              "../libexec/vantri");
        return 1;
    }
    // The new instance carries the command out itself, as the first thing it
    // does once it listens: the panel is not kept waiting for a second
    // exchange, nor behind the rest of the start.
    if (const std::optional<std::string> failure =
            InstanceStart::startInstance(*program, reach.lock, commandLine.command)) {
        if (!failure->empty())
            InstanceStart::report(*failure);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    return run(std::vector<std::string>(argv, argv + argc));
}
