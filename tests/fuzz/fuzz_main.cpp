// The mutation driver. For one target it loads the seed corpus and the
// dictionary, then mutates seeds (and recent mutants) with a fixed seed for
// the given number of seconds. An input that crashes, trips the sanitizers,
// lets an unexpected exception escape, hangs or breaks a target's promise is
// written to the findings folder, named by its hash.
//
//   zintavor_fuzz TARGET SECONDS CORPUS DICT FINDINGS [WORK]   fuzz
//   zintavor_fuzz TARGET --replay FILE...                     run the files once
//   zintavor_fuzz --list                                       the target names
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>

#include "FuzzDriver.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

std::string Work;
std::string FindingsFolder;
const std::string* Current = nullptr;  // the input now running
const char* CurrentTarget = "";
std::atomic<int64_t> ExecStartMs{0};   // 0 between inputs
constexpr int64_t kHangMs = 20000;

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool ReadWhole(const std::string& path, std::string& bytes) {
    bytes.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    char buf[65536];
    for (;;) {
        const ssize_t r = read(fd, buf, sizeof buf);
        if (r <= 0) break;
        bytes.append(buf, static_cast<size_t>(r));
    }
    close(fd);
    return true;
}

uint64_t Hash(const std::string& s) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
    return h;
}

// Async-signal-safe enough for a dying process: open, write, close.
void KeepCurrent(const char* why) {
    if (!Current) return;
    if (FindingsFolder.empty()) {
        std::fprintf(stderr, "%s: finding (%s)\n", CurrentTarget, why);
        return;
    }
    char name[4096];
    std::snprintf(name, sizeof name, "%s/crash-%016llx", FindingsFolder.c_str(),
                  static_cast<unsigned long long>(Hash(*Current)));
    const int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        size_t done = 0;
        while (done < Current->size()) {
            const ssize_t w = write(fd, Current->data() + done, Current->size() - done);
            if (w <= 0) break;
            done += static_cast<size_t>(w);
        }
        close(fd);
    }
    std::fprintf(stderr, "%s: finding (%s), input kept as %s\n", CurrentTarget, why, name);
}

#if defined(__SANITIZE_ADDRESS__)
void OnDeath() { KeepCurrent("sanitizer or signal"); }
#endif

void OnSignal(int sig) {
    KeepCurrent(strsignal(sig));
    signal(sig, SIG_DFL);
    raise(sig);
}

void OnTerminate() {
    const char* what = "an exception escaped";
    std::string text;
    if (auto e = std::current_exception()) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& x) {
            text = std::string("escaped: ") + x.what();
            what = text.c_str();
        } catch (...) {
        }
    }
    KeepCurrent(what);
    std::abort();
}

// ---- the corpus and the mutations

std::vector<std::string> LoadFolder(const std::string& folder) {
    std::vector<std::string> names, out;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());  // the same order on every machine
    for (const std::string& n : names) {
        std::string bytes;
        if (ReadWhole(folder + "/" + n, bytes)) out.push_back(std::move(bytes));
    }
    return out;
}

// One token a line; \xNN, \r, \n, \t and \\ are escapes; empty lines and
// lines beginning with '#' are skipped.
std::vector<std::string> LoadDictionary(const std::string& path) {
    std::vector<std::string> out;
    std::string text;
    if (!ReadWhole(path, text)) return out;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.empty() || line[0] == '#') continue;
        std::string token;
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] != '\\' || i + 1 >= line.size()) {
                token += line[i];
                continue;
            }
            const char c = line[++i];
            if (c == 'x' && i + 2 < line.size()) {
                token += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else if (c == 'r') token += '\r';
            else if (c == 'n') token += '\n';
            else if (c == 't') token += '\t';
            else token += c;
        }
        out.push_back(token);
    }
    return out;
}

class TMutator {
public:
    TMutator(uint64_t seed, std::vector<std::string> dict) : Rng(seed), Dict(std::move(dict)) {}

    std::string Mutate(std::string s, const std::vector<std::string>& pool) {
        const int steps = 1 + Pick(6);
        for (int k = 0; k < steps; ++k) Step(s, pool);
        if (s.size() > kMaxLen) s.resize(kMaxLen);
        return s;
    }
    size_t Pick(size_t n) { return n ? static_cast<size_t>(Rng() % n) : 0; }

private:
    static constexpr size_t kMaxLen = 8192;
    void Step(std::string& s, const std::vector<std::string>& pool) {
        static const unsigned char kBytes[] = {0x00, 0x09, 0x0A, 0x0D, 0x1A, 0x20, 0x22, 0x27, 0x2A, 0x2D, 0x2F,
                                               0x3B, 0x3D, 0x40, 0x5B, 0x5C, 0x5D, 0x7C, 0x7F, 0x80, 0x81, 0x83,
                                               0x95, 0x9F, 0xA0, 0xB1, 0xE0, 0xEA, 0xFC, 0xFD, 0xFF};
        const size_t at = Pick(s.size() + 1);
        switch (Pick(9)) {
            case 0:
                if (!s.empty()) s[Pick(s.size())] ^= static_cast<char>(1u << Pick(8));
                break;
            case 1:
                if (!s.empty()) s[Pick(s.size())] = static_cast<char>(kBytes[Pick(sizeof kBytes)]);
                break;
            case 2:
            case 3:
                if (!Dict.empty()) s.insert(at, Dict[Pick(Dict.size())]);
                break;
            case 4:
                if (!s.empty()) s.erase(at < s.size() ? at : s.size() - 1, 1 + Pick(16));
                break;
            case 5:
                if (!s.empty()) {
                    const size_t from = Pick(s.size());
                    const std::string piece = s.substr(from, 1 + Pick(32));
                    s.insert(at, piece);
                }
                break;
            case 6:
                if (!pool.empty()) {
                    const std::string& other = pool[Pick(pool.size())];
                    const size_t from = Pick(other.size() + 1);
                    s = s.substr(0, at) + other.substr(from);
                }
                break;
            case 7:
                s.insert(at, 1, static_cast<char>(Pick(256)));
                break;
            default:
                if (!Dict.empty() && !s.empty()) {
                    const std::string& t = Dict[Pick(Dict.size())];
                    s.replace(Pick(s.size()), t.size(), t);
                }
                break;
        }
    }
    std::mt19937_64 Rng;
    std::vector<std::string> Dict;
};

const fuzz::TTarget* FindTarget(const std::string& name) {
    for (const fuzz::TTarget& t : fuzz::Targets())
        if (name == t.Name) return &t;
    return nullptr;
}

void RunOne(const fuzz::TTarget& t, const std::string& input) {
    Current = &input;
    ExecStartMs = NowMs();
    t.Run(input);
    ExecStartMs = 0;
    Current = nullptr;
}

// The folder and those above it.
void MakeFolder(const std::string& path) {
    for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
        mkdir(path.substr(0, at).c_str(), 0755);
    mkdir(path.c_str(), 0755);
}

}  // namespace

namespace fuzz {

const std::string& WorkFolder() { return Work; }

void Finding(std::string_view What) {
    KeepCurrent(std::string(What).c_str());
    std::_Exit(1);
}

}  // namespace fuzz

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "--list") {
        for (const fuzz::TTarget& t : fuzz::Targets()) std::printf("%s\n", t.Name);
        return 0;
    }
    const bool replay = argc >= 3 && std::string(argv[2]) == "--replay";
    if (argc < 2 || (!replay && argc < 6)) {
        std::fprintf(stderr,
                     "usage: zintavor_fuzz TARGET SECONDS CORPUS DICT FINDINGS [WORK]\n"
                     "       zintavor_fuzz TARGET --replay FILE...\n       zintavor_fuzz --list\n");
        return 2;
    }
    const fuzz::TTarget* target = FindTarget(argv[1]);
    if (!target) {
        std::fprintf(stderr, "no target %s\n", argv[1]);
        return 2;
    }
    CurrentTarget = target->Name;
    std::set_terminate(OnTerminate);
#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_set_death_callback(OnDeath);
#endif
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) signal(sig, OnSignal);

    std::unique_ptr<QApplication> app;
    static int qargc = 1;
    static char arg0[] = "zintavor-fuzz";
    static char* qargv[] = {arg0, nullptr};
    // Never a window on a screen: thousands of inputs a second are no show.
    // Qt's runtime folder goes below the work folder, not into /tmp.
    auto makeApp = [&] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        if (!std::getenv("XDG_RUNTIME_DIR")) {
            const std::string runtime = Work + "/runtime";
            MakeFolder(runtime);
            chmod(runtime.c_str(), 0700);
            setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        }
        if (target->NeedsApp) app = std::make_unique<QApplication>(qargc, qargv);
    };

    if (replay) {
        Work = "fuzz-work-replay";
        if (const char* w = std::getenv("ZINTAVOR_FUZZ_WORK")) Work = w;
        MakeFolder(Work);
        makeApp();
        for (int i = 3; i < argc; ++i) {
            std::string bytes;
            if (!ReadWhole(argv[i], bytes)) {
                std::fprintf(stderr, "cannot read %s\n", argv[i]);
                return 2;
            }
            RunOne(*target, bytes);
        }
        std::printf("%s: %d inputs replayed, no findings\n", target->Name, argc - 3);
        return 0;
    }

    const double seconds = std::atof(argv[2]);
    const std::string corpus = argv[3];
    FindingsFolder = argv[5];
    Work = argc > 6 ? argv[6] : FindingsFolder + "/work";
    MakeFolder(FindingsFolder);
    MakeFolder(Work);
    makeApp();
    std::vector<std::string> seeds = LoadFolder(corpus);
    if (seeds.empty()) seeds.push_back(std::string());
    TMutator mutator(0x5eed0000u + Hash(target->Name) % 1000, LoadDictionary(argv[4]));

    // A hang is a finding too.
    std::thread watchdog([] {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            const int64_t start = ExecStartMs;
            if (start && NowMs() - start > kHangMs) {
                KeepCurrent("hang");
                std::_Exit(1);
            }
        }
    });
    watchdog.detach();

    const int64_t end = NowMs() + static_cast<int64_t>(seconds * 1000);
    long execs = 0;
    for (const std::string& s : seeds) RunOne(*target, s), ++execs;
    std::vector<std::string> recent;  // the last mutants: deeper chains of changes
    while (NowMs() < end) {
        const bool fromRecent = !recent.empty() && mutator.Pick(2) == 0;
        const std::string& base = fromRecent ? recent[mutator.Pick(recent.size())] : seeds[mutator.Pick(seeds.size())];
        std::string input = mutator.Mutate(base, seeds);
        RunOne(*target, input);
        ++execs;
        if (recent.size() < 64) recent.push_back(std::move(input));
        else recent[mutator.Pick(recent.size())] = std::move(input);
    }
    std::printf("%s: %ld execs in %.0f s from %zu seeds, no findings\n", target->Name, execs, seconds, seeds.size());
    return 0;
}
