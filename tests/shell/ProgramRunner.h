// Runs the program itself as a child process on the offscreen platform, in a
// folder of its own: the program is linked (or copied) into a new temporary
// folder, so its settings and history files are written there and no two
// runs share them. The folder is also the current folder of the run.
#pragma once
#include <string>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <unistd.h>

#include "FileSystem.h"
#include "TestUtil.h"

namespace programrun {

struct TRun {
    bool Finished = false;
    int ExitCode = -1;
    std::string Output;  // standard output, UTF-8
    std::string Errors;  // error output, UTF-8
};

// A temporary folder named after Name holding the program ("Zintavor"); its
// path ends with "/". Empty when it cannot be made. Program is the file
// linked there as "Zintavor": the program itself unless a test asks for
// another build of it.
inline std::string ProgramFolder(const std::string& Name, const char* Program = ZINTAVOR_PROGRAM) {
    const std::string dir = testutil::TempFolder(Name);
    if (dir.empty()) return dir;
    const std::string target = fs932::ToNative(dir + "Zintavor");
    if (link(Program, target.c_str()) != 0) {
        const std::string cmd = std::string("cp '") + Program + "' '" + target + "'";
        if (std::system(cmd.c_str()) != 0) return std::string();
    }
    return dir;
}

// Runs the program of Folder (made by ProgramFolder) with Args; gives up, and
// kills it, after Seconds: a run that has to be killed is a failure.
inline TRun Run(const std::string& Folder, const QStringList& Args, int Seconds = 120) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(QString::fromStdString(fs932::ToNative(Folder)));
    p.start(QString::fromStdString(fs932::ToNative(Folder + "Zintavor")), Args);
    TRun run;
    if (!p.waitForStarted(30000)) return run;
    run.Finished = p.waitForFinished(Seconds * 1000);
    if (!run.Finished) {
        p.kill();
        p.waitForFinished(10000);
    }
    run.Output = p.readAllStandardOutput().toStdString();
    run.Errors = p.readAllStandardError().toStdString();
    run.ExitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return run;
}

}  // namespace programrun
