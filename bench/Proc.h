#pragma once
// What the benchmarks read about a process from Linux's /proc (context
// switches, CPU time, resident memory) and the programs they start: the
// program under test and, as the reference, an idle `cat` on a pty of its
// own.

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

namespace tulex::bench {

// Voluntary and involuntary context switches of every thread of the
// process: each is a wake-up (or a preemption) of one of its threads.
inline long ProcessSwitches(pid_t pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (!dir) return -1;
    long total = 0;
    while (const dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        std::ifstream in(tasks + "/" + e->d_name + "/status");
        std::string key;
        while (in >> key) {
            if (key == "voluntary_ctxt_switches:" || key == "nonvoluntary_ctxt_switches:") {
                long v = 0;
                in >> v;
                total += v;
            }
        }
    }
    closedir(dir);
    return total;
}

// CPU time of the process's threads, in seconds, to the nanosecond (the
// scheduler's own account in /proc/PID/task/TID/schedstat; /proc/PID/stat
// counts in 10 ms ticks).
inline double ProcessCpuSeconds(pid_t pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (!dir) return -1;
    double ns = 0;
    while (const dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        std::ifstream in(tasks + "/" + e->d_name + "/schedstat");
        double onCpu = 0;
        if (in >> onCpu) ns += onCpu;
    }
    closedir(dir);
    return ns / 1e9;
}

// A "VmRSS:"/"VmHWM:" figure of the process, in bytes.
inline double StatusBytes(pid_t pid, const std::string& key) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string word;
    while (in >> word) {
        if (word == key) {
            double kb = 0;
            in >> kb;
            return kb * 1024;
        }
    }
    return -1;
}

// Starts a program with its standard input and output on the given paths
// (standard error stays). -1 if it could not start.
inline pid_t Spawn(const std::vector<std::string>& argv, const std::string& in = "/dev/null",
                   const std::string& out = "/dev/null") {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    const int inFd = ::open(in.c_str(), O_RDONLY | O_NOCTTY);
    const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (inFd < 0 || outFd < 0) _exit(127);
    dup2(inFd, STDIN_FILENO);
    dup2(outFd, STDOUT_FILENO);
    std::vector<char*> args;
    std::vector<std::string> copy = argv;
    for (auto& a : copy) args.push_back(a.data());
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

// Ends a started program (SIGTERM, then SIGKILL after a second) and returns
// its exit status (128 + signal if killed).
inline int Stop(pid_t pid, int sig = SIGTERM) {
    if (pid <= 0) return -1;
    kill(pid, sig);
    for (int i = 0; i < 1000; ++i) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        usleep(1000);
    }
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    return 128 + SIGKILL;
}

}  // namespace tulex::bench
