#include "ConsoleProcess.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "CP932.h"
#include "FileSystem.h"

extern char** environ;

namespace console {

std::vector<std::string> SplitCommandLine(std::string_view s) {
    std::vector<std::string> words;
    size_t p = 0;
    const size_t n = s.size();
    while (true) {
        while (p < n && (s[p] == ' ' || s[p] == '\t')) ++p;
        if (p >= n) break;
        std::string w;
        bool quoted = false;
        while (p < n && (quoted || (s[p] != ' ' && s[p] != '\t'))) {
            if (s[p] == '"') {
                if (quoted && p + 1 < n && s[p + 1] == '"') {
                    w.push_back('"');
                    p += 2;
                    continue;
                }
                quoted = !quoted;
                ++p;
                continue;
            }
            w.push_back(s[p++]);
        }
        words.push_back(std::move(w));
    }
    return words;
}

namespace {

// The pipe ends of the parent, and the child until it is reaped.
class TChild {
public:
    ~TChild() {
        CloseAll();
        if (Pid > 0) {
            // only reached when a callback raised: the child must not linger
            kill(Pid, SIGKILL);
            int status = 0;
            while (waitpid(Pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
    }
    void CloseAll() {
        for (int* fd : {&In, &Out, &Err}) Close(*fd);
    }
    static void Close(int& fd) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
    pid_t Pid = -1;
    int In = -1, Out = -1, Err = -1;
};

// SIGPIPE blocked on this thread while the run writes to the child, so that a
// child that stops reading gives EPIPE instead of ending the program; a
// SIGPIPE raised meanwhile is taken back before the mask is restored.
class TSigPipeBlock {
public:
    TSigPipeBlock() {
        sigemptyset(&FSet);
        sigaddset(&FSet, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        FWasPending = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &FSet, &FOld);
    }
    ~TSigPipeBlock() {
        if (!FWasPending) {
            sigset_t pending;
            sigpending(&pending);
            if (sigismember(&pending, SIGPIPE) == 1) {
                const timespec zero{0, 0};
                sigtimedwait(&FSet, nullptr, &zero);
            }
        }
        pthread_sigmask(SIG_SETMASK, &FOld, nullptr);
    }

private:
    sigset_t FSet, FOld;
    bool FWasPending = false;
};

void SetNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

// Reads what the pipe holds now; closes it at its end.
void Drain(int& fd, const std::function<void(std::string_view)>& sink) {
    char buf[8192];
    while (fd >= 0) {
        const ssize_t r = read(fd, buf, sizeof buf);
        if (r > 0) {
            if (sink) sink(std::string_view(buf, static_cast<size_t>(r)));
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        TChild::Close(fd);   // end of output, or a broken pipe
    }
}

bool Spawn(const std::vector<std::string>& words, TChild& child, std::string* error) {
    std::vector<std::string> args;
    args.reserve(words.size());
    const std::string& prog = words[0];
    const bool hasFolder = prog.find('/') != std::string::npos || prog.find('\\') != std::string::npos;
    args.push_back(hasFolder ? fs932::ToNative(prog) : cp932::ToUtf8(prog));
    for (size_t i = 1; i < words.size(); ++i) args.push_back(cp932::ToUtf8(words[i]));
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    if (pipe2(out, O_CLOEXEC) != 0) {
        if (error) *error = std::strerror(errno);
        close(in[0]), close(in[1]);
        return false;
    }
    if (pipe2(err, O_CLOEXEC) != 0) {
        if (error) *error = std::strerror(errno);
        close(in[0]), close(in[1]), close(out[0]), close(out[1]);
        return false;
    }
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], 0);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_adddup2(&fa, err[1], 2);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, def;
    sigemptyset(&none);
    sigemptyset(&def);
    sigaddset(&def, SIGPIPE);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &def);
    // a session of its own: no controlling terminal, as a detached console program
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &fa, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&fa);
    close(in[0]), close(out[1]), close(err[1]);
    if (rc != 0) {
        if (error) *error = std::strerror(rc);
        close(in[1]), close(out[0]), close(err[0]);
        return false;
    }
    child.Pid = pid;
    child.In = in[1];
    child.Out = out[0];
    child.Err = err[0];
    SetNonBlocking(child.In);
    SetNonBlocking(child.Out);
    SetNonBlocking(child.Err);
    return true;
}

}  // namespace

bool Run(std::string_view commandLine, const TConsoleRun& run, int& exitCode, std::string* error) {
    exitCode = -1;
    const std::vector<std::string> words = SplitCommandLine(commandLine);
    if (words.empty() || words[0].empty()) {
        if (error) *error = "no program";
        return false;
    }
    TSigPipeBlock sigPipe;
    TChild child;
    if (!Spawn(words, child, error)) return false;

    size_t written = 0;
    if (run.Input.empty()) TChild::Close(child.In);
    using Clock = std::chrono::steady_clock;
    auto lastWait = Clock::now();
    int status = 0;
    bool ended = false;
    while (!ended) {
        pollfd fds[3];
        nfds_t n = 0;
        if (child.In >= 0) fds[n++] = {child.In, POLLOUT, 0};
        if (child.Out >= 0) fds[n++] = {child.Out, POLLIN, 0};
        if (child.Err >= 0) fds[n++] = {child.Err, POLLIN, 0};
        if (poll(fds, n, 20) < 0 && errno != EINTR) break;

        while (child.In >= 0 && written < run.Input.size()) {
            const size_t chunk = std::min<size_t>(run.Input.size() - written, 8192);
            const ssize_t w = write(child.In, run.Input.data() + written, chunk);
            if (w > 0) {
                written += static_cast<size_t>(w);
            } else if (w < 0 && errno == EINTR) {
                continue;
            } else if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                break;
            } else {
                TChild::Close(child.In);   // the child no longer reads
            }
        }
        if (child.In >= 0 && written >= run.Input.size()) TChild::Close(child.In);   // the child sees the end of input

        Drain(child.Out, run.OnOutput);
        Drain(child.Err, run.OnError);

        const pid_t w = waitpid(child.Pid, &status, WNOHANG);
        if (w == child.Pid || (w < 0 && errno != EINTR)) {
            ended = w == child.Pid;
            child.Pid = -1;
            break;
        }
        if (Clock::now() - lastWait >= std::chrono::milliseconds(20)) {
            if (run.OnWait) run.OnWait();
            lastWait = Clock::now();
        }
    }
    // What the child wrote just before its end is in the pipes still. A
    // descendant that kept them open may go on writing: only what is there
    // now is taken, the end of the pipe is not waited for.
    Drain(child.Out, run.OnOutput);
    Drain(child.Err, run.OnError);
    child.CloseAll();
    if (ended && WIFEXITED(status)) exitCode = WEXITSTATUS(status);
    return true;
}

}  // namespace console
