// Times one command for the benchmark scripts (bench/lib/common.sh): wall
// time, CPU time (user + sys of the command and everything it waited for) to
// the microsecond, and its peak resident memory.
//
//   bench_runner run LABEL TIMES IN OUT ERR COMMAND [ARG...]
//       runs COMMAND with IN, OUT and ERR as its standard input, output and
//       error; appends "LABEL wall-ms cpu-ms peak-kb" to the file TIMES;
//       exits with the command's exit code
//   bench_runner drop FILE...
//       asks the kernel to drop FILE's pages from the page cache (a cold start
//       reads it from the disk again); pages another process has mapped stay
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

int Redirect(const char* path, int fd, int flags) {
    const int f = open(path, flags | O_CLOEXEC, 0644);
    if (f < 0) return -1;
    if (dup2(f, fd) < 0) return -1;
    close(f);
    return 0;
}

int Drop(int argc, char** argv) {
    int rc = 0;
    for (int i = 2; i < argc; ++i) {
        const int f = open(argv[i], O_RDONLY | O_CLOEXEC);
        if (f < 0) continue;  // a file that is not there has nothing cached
        fdatasync(f);
        if (posix_fadvise(f, 0, 0, POSIX_FADV_DONTNEED) != 0) rc = 1;
        close(f);
    }
    return rc;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "drop") == 0) return Drop(argc, argv);
    if (argc < 8 || std::strcmp(argv[1], "run") != 0) {
        std::fprintf(stderr, "usage: bench_runner run LABEL TIMES IN OUT ERR COMMAND [ARG...] | drop FILE...\n");
        return 2;
    }
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        return 2;
    }
    if (pid == 0) {
        if (Redirect(argv[4], 0, O_RDONLY) || Redirect(argv[5], 1, O_WRONLY | O_CREAT | O_TRUNC) ||
            Redirect(argv[6], 2, O_WRONLY | O_CREAT | O_TRUNC)) {
            std::perror("bench_runner: redirect");
            _exit(127);
        }
        execvp(argv[7], argv + 7);
        std::perror(argv[7]);
        _exit(127);
    }
    int status = 0;
    rusage ru{};
    if (wait4(pid, &status, 0, &ru) < 0) {
        std::perror("wait4");
        return 2;
    }
    const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
    FILE* times = std::fopen(argv[3], "a");
    if (!times) {
        std::perror(argv[3]);
        return 2;
    }
    std::fprintf(times, "%s %.3f %.3f %ld\n", argv[2], wall, cpu, ru.ru_maxrss);
    std::fclose(times);
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}
