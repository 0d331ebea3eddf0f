// SPDX-License-Identifier: MIT
// The process on Linux: arguments, environment and streams are bytes already.
// Programs run with posix_spawn: the working directory, standard input and
// output set up by file actions in the child, nothing run by a shell.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "system/process.h"

extern char** environ;

namespace korvane::sys {

std::vector<std::string> utf8_arguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

void prepare_standard_streams() {}

std::optional<std::string> environment_variable(const char* name) {
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
}

bool is_terminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

namespace {

bool is_program(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// Changes into folder in the child before it runs the program (glibc 2.29
// and later).
int add_working_directory(posix_spawn_file_actions_t& actions, const std::string& folder) {
    if (folder.empty()) return 0;
    return posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
}

}  // namespace

std::string find_program(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos) return {};
    const char* path = std::getenv("PATH");
    std::string list = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        // An empty entry is the current folder.
        std::string candidate = end > start ? list.substr(start, end - start) : std::string(".");
        candidate += '/';
        candidate += name;
        if (is_program(candidate)) return candidate;
        start = end + 1;
    }
    return {};
}

ProcessResult run_program(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& folder, const std::string& output,
                          const std::function<bool()>& waiting) {
    ProcessResult result;
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        result.problem = std::strerror(errno);
        return result;
    }
    const char* sink = output.empty() ? "/dev/null" : output.c_str();
    int err = add_working_directory(actions, folder);
    if (!err) err = posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (!err) err = posix_spawn_file_actions_addopen(&actions, 1, sink, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (!err) err = posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (!err) err = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (err) {
        result.problem = std::strerror(err);
        return result;
    }
    result.started = true;
    int status = 0;
    long pause_ms = 5;  // short at first: most runs are short
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, waiting ? WNOHANG : 0);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) {
            result.problem = std::strerror(errno);
            return result;
        }
        if (done == 0) {
            if (!result.stopped && !waiting()) {
                ::kill(pid, SIGTERM);
                result.stopped = true;
            }
            const timespec pause{0, pause_ms * 1000 * 1000};
            ::nanosleep(&pause, nullptr);
            pause_ms = std::min(pause_ms * 2, 100L);
        }
    }
    if (WIFEXITED(status)) {
        result.exited = true;
        result.exit_code = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.problem = std::string("ended by signal ") + std::to_string(WTERMSIG(status));
    }
    return result;
}

}  // namespace korvane::sys
