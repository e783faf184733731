#include "app/visuals/gnuplot.h"

#include <cstdlib>

#include "app/base/run_stop.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#endif

namespace app {

namespace {

#ifdef _WIN32
// cmd.exe: double quotes, which a path cannot contain on Windows.
std::string Quoted(const std::string &text) { return "\"" + text + "\""; }

// cmd.exe takes the first and last quote off a command that starts with one: a pair of
// quotes around the whole keeps the rest as written.
int Shell(const std::string &command) { return std::system(("\"" + command + "\"").c_str()); }

#else

// Everything the child needs is made before fork: after it, in a program that may have
// threads, only calls that are safe in a signal handler may run.
pid_t Start(const std::string &program, const std::string &argument, const std::string &dir,
            const std::string &log) {
  const char *argv[] = {program.c_str(), argument.c_str(), nullptr};
  const char *log_path = log.empty() ? "/dev/null" : log.c_str();
  const pid_t pid = fork();
  if (pid != 0) {
    if (pid > 0)
      setpgid(pid, pid);  // also here: the parent may kill the group before the child ran
    return pid;
  }
  setpgid(0, 0);
  if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(127);
  const int in = open("/dev/null", O_RDONLY);
  const int out = open(log_path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(out, 2) < 0) _exit(127);
  execvp(argv[0], const_cast<char *const *>(argv));
  _exit(127);
}

int Status(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1; }

void WaitFor(pid_t pid, int &raw) {
  while (waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
  }
}

// Looks every 20 ms whether a signal asks to give the child up: waitpid itself would be
// restarted after the handler and never hear of it.
int WaitWatching(pid_t pid, const ChildWatch &watch) {
  int raw = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &raw, WNOHANG);
    if (done == pid) return Status(raw);
    if (done < 0 && errno != EINTR) return -1;
    if (watch.GiveUp()) {
      kill(-pid, SIGKILL);
      WaitFor(pid, raw);
      return kGnuplotGivenUp;
    }
    const timespec pause{0, 20'000'000};
    nanosleep(&pause, nullptr);
  }
}
#endif

}  // namespace

std::string GnuplotProgram() {
  const char *named = std::getenv("GNUPLOT");
  return named != nullptr && *named != '\0' ? named : "gnuplot";
}

bool GnuplotRuns(const std::string &program) {
#ifdef _WIN32
  return Shell(Quoted(program) + " --version >NUL 2>&1") == 0;
#else
  const pid_t pid = Start(program, "--version", "", "");
  if (pid < 0) return false;
  int raw = 0;
  WaitFor(pid, raw);
  return Status(raw) == 0;
#endif
}

int RunGnuplot(const std::string &program, const std::string &dir, const std::string &script,
               const std::string &log, const ChildWatch &watch) {
#ifdef _WIN32
  static_cast<void>(watch);
  return Shell("cd /d " + Quoted(dir) + " && " + Quoted(program) + " " + Quoted(script) + " >" +
               Quoted(log) + " 2>&1");
#else
  const pid_t pid = Start(program, script, dir, log);
  return pid < 0 ? -1 : WaitWatching(pid, watch);
#endif
}

}  // namespace app
