// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <dirent.h>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// Whether programs are installed, answered as g_find_program_in_path would
// (an absolute path must name an executable file; a bare name is looked up in
// PATH) but quickly for thousands of programs in a row: the folders of PATH
// are listed once, so a program found there costs one check instead of a try
// in each folder before it. Lookups may run on any number of threads.
class InstalledPrograms {
public:
    // Lists the folders of PATH as it is now.
    InstalledPrograms();

    bool contains(const char* program) const;

private:
    struct FolderCloser {
        void operator()(DIR* folder) const;
    };
    // The folders listed, kept open to check programs relative to them.
    std::vector<std::unique_ptr<DIR, FolderCloser>> _folders;
    struct Listed {
        std::size_t folder;
        bool isRegularFile;
    };
    // Each name listed, with the first folder of PATH that lists it.
    std::unordered_map<std::string, Listed> _listed;
};
