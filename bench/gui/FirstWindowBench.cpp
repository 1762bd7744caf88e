// How long the desktop program takes to show its first window, and the memory it peaks at,
// beside a Qt "hello" window (first_window_hello, next to this program): each in a process of
// its own under the offscreen platform, from the spawn to the end of the first expose's paint.
// The best of several runs counts.
//
//     first_window_bench [--runs N]
#include "FirstExpose.h"
#include "platform/RealClock.h"
#include "rollvane/app/MainWindow.h"
#include "rollvane/gui/MainWindowView.h"
#include "rollvane/gui/ProgramIcon.h"
#include "rollvane/gui/QtUserInterface.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

// Shows the window as the program's main does, on the settings of a first run.
int MainWindowChild(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir home;
    QDir::setCurrent(home.path());
    QApplication::setApplicationName("Rollvane");
    QApplication::setWindowIcon(rollvane::ProgramIcon::Icon());
    platform::RealClock clock;
    rollvane::QtUserInterface ui;
    rollvane::MainWindow window(ui, clock);
    rollvane::MainWindowView view(window);
    ui.SetOwner(&view);
    view.show();
    first_window::FirstExpose expose(view.windowHandle());
    QApplication::exec();
    ui.SetOwner(nullptr);
    first_window::Report(expose.paintedAt());
    return 0;
}

struct Run {
    double ms = 1e9;
    long kib = 1L << 40;
};

// Runs one child and reads its report; Qt's warnings on standard error are dropped.
bool Spawn(const std::string &program, const char *argument, Run *run)
{
    int out[2];
    if (pipe(out) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char *args[] = {const_cast<char *>(program.c_str()), const_cast<char *>(argument), nullptr};
    pid_t pid = 0;
    const double start = first_window::MonotonicMs();
    const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(out[0]);
    int status = 1;
    if (failed || waitpid(pid, &status, 0) != pid || status != 0) {
        return false;
    }
    double paintedAt = 0;
    if (std::sscanf(text.c_str(), "%lf %ld", &paintedAt, &run->kib) != 2) {
        return false;
    }
    run->ms = paintedAt - start;
    return true;
}

}  // namespace

int main(int argc, char *argv[])
{
    if (argc == 2 && std::strcmp(argv[1], "--child") == 0) {
        return MainWindowChild(argc, argv);
    }
    int runs = 10;
    if (argc == 3 && std::strcmp(argv[1], "--runs") == 0) {
        runs = std::max(1, std::atoi(argv[2]));
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) {
        return 1;
    }
    const std::string dir = std::string(self).substr(0, std::string(self).rfind('/') + 1);
    const struct {
        const char *name;
        std::string program;
        const char *argument;
    } windows[2] = {{"hello window", dir + "first_window_hello", nullptr}, {"main window", self, "--child"}};
    Run best[2];
    // Alternately, so that both see the same load on the machine.
    for (int i = 0; i < runs; ++i) {
        for (int k = 0; k < 2; ++k) {
            Run run;
            if (!Spawn(windows[k].program, windows[k].argument, &run)) {
                std::fprintf(stderr, "the %s did not show\n", windows[k].name);
                return 1;
            }
            best[k].ms = std::min(best[k].ms, run.ms);
            best[k].kib = std::min(best[k].kib, run.kib);
        }
    }
    std::printf("%-14s %14s %14s\n", "", "first window", "peak memory");
    for (int k = 0; k < 2; ++k) {
        std::printf("%-14s %11.1f ms %10.1f MiB\n", windows[k].name, best[k].ms,
                    static_cast<double>(best[k].kib) / 1024);
    }
    std::printf("%-14s %14.2f %14.2f\n", "ratio", best[1].ms / best[0].ms,
                static_cast<double>(best[1].kib) / static_cast<double>(best[0].kib));
    return 0;
}
