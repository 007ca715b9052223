// Runs shelvix-cli as a separate program and collects what it wrote, for the CLI tests.
#pragma once

#include "support/testfiles.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

extern char** environ;

struct CliResult {
    int status = -1;
    std::string out, err;
};

// Runs shelvix-cli with its output in files of `dir`; the status is 128+signal when it died.
inline CliResult RunCli(const TempDir& dir, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), SHELVIX_CLI_PATH);
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string outName = dir.File("cli.out"), errName = dir.File("cli.err");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outName.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errName.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    CliResult run;
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = ReadWholeFile(outName);
    run.err = ReadWholeFile(errName);
    return run;
}

