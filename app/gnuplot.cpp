#include "app/gnuplot.h"

#include <cstdlib>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace app {

namespace {

#ifdef _WIN32
// cmd.exe: double quotes, which a path cannot contain on Windows.
std::string Quoted(const std::string &text) { return "\"" + text + "\""; }
constexpr char kQuiet[] = " >NUL 2>&1";
std::string InDir(const std::string &dir) { return "cd /d " + Quoted(dir) + " && "; }
#else
// sh: single quotes, each quote inside written as '\''.
std::string Quoted(const std::string &text) {
  std::string q = "'";
  for (const char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}
constexpr char kQuiet[] = " >/dev/null 2>&1";
std::string InDir(const std::string &dir) { return "cd " + Quoted(dir) + " && "; }
#endif

// cmd.exe takes the first and last quote off a command that starts with one: a pair of
// quotes around the whole keeps the rest as written.
int Shell(const std::string &command) {
#ifdef _WIN32
  return std::system(("\"" + command + "\"").c_str());
#else
  return std::system(command.c_str());
#endif
}

int ExitStatus(int raw) {
#ifdef _WIN32
  return raw;
#else
  return raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
}

}  // namespace

std::string GnuplotProgram() {
  const char *named = std::getenv("GNUPLOT");
  return named != nullptr && *named != '\0' ? named : "gnuplot";
}

bool GnuplotRuns(const std::string &program) {
  return ExitStatus(Shell(Quoted(program) + " --version" + kQuiet)) == 0;
}

int RunGnuplot(const std::string &program, const std::string &dir, const std::string &script,
               const std::string &log) {
  const std::string command =
      InDir(dir) + Quoted(program) + " " + Quoted(script) + " >" + Quoted(log) + " 2>&1";
  return ExitStatus(Shell(command));
}

}  // namespace app
