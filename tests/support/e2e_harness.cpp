#include "support/e2e_harness.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>

namespace e2e {

std::string Slurp(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Temporaries(const std::filesystem::path &dir) {
  std::vector<std::string> found;
  for (const auto &entry : std::filesystem::recursive_directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name.find(".tmp") != std::string::npos || name.find(".touchdown-sim-plots-") == 0)
      found.push_back(entry.path().string());
  }
  return found;
}

bool Installed(const std::string &command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

pid_t Start(const std::vector<std::string> &args, const std::filesystem::path &dir, int out_fd,
            int err_fd, const std::string &program) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(127);
  if ((out_fd >= 0 && dup2(out_fd, 1) < 0) || (err_fd >= 0 && dup2(err_fd, 2) < 0)) _exit(127);
  if (std::filesystem::exists(dir / "gp")) setenv("GNUPLOT", (dir / "gp").c_str(), 1);
  std::vector<char *> argv{const_cast<char *>(program.c_str())};
  for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
  argv.push_back(nullptr);
  execv(program.c_str(), argv.data());
  _exit(127);
}

Ran RunIn(const std::filesystem::path &dir, const std::vector<std::string> &args,
          const std::string &program, const std::string &stdout_to) {
  const auto start = std::chrono::steady_clock::now();
  const std::filesystem::path out = stdout_to.empty() ? dir / "stdout.txt"
                                                      : std::filesystem::path(stdout_to),
                              err = dir / "stderr.txt";
  const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  int raw = 0;
  waitpid(Start(args, dir, o, e, program), &raw, 0);
  close(o);
  close(e);
  Ran ran;
  ran.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  if (stdout_to.empty()) ran.out = Slurp(out);
  ran.err = Slurp(err);
  ran.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return ran;
}

void FakeGnuplot(const std::filesystem::path &dir, int seconds) {
  std::ofstream(dir / "gp") << "#!/bin/sh\n[ \"$1\" = --version ] && exit 0\necho $$ > '"
                            << (dir / "gp.pid").string() << "'\nsleep " << seconds
                            << "\nsed -n \"s/^set output '\\(.*\\)'\\$/\\1/p\" \"$1\" | "
                               "while IFS= read -r f; do echo drawn > \"$f\"; done\n";
  std::filesystem::permissions(dir / "gp", std::filesystem::perms::owner_all);
}

size_t Count(const std::string &text, const std::string &what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

int ExpectAccountHolds(const std::string &account, const std::string &file_text) {
  std::istringstream in(file_text);
  int checks = 0;
  for (std::string line; std::getline(in, line);) {
    const size_t colon = line.find(": ");
    if (line.rfind("# ", 0) != 0 || colon == std::string::npos) continue;
    const std::string tag = line.substr(2, colon - 2), text = line.substr(colon + 2);
    if (tag == "expect" || tag == "absent") {
      EXPECT_EQ(account.find(text) != std::string::npos, tag == "expect")
          << (tag == "expect" ? "missing: " : "present: ") << text << "\n"
          << account;
    } else if (tag.rfind("expect ", 0) == 0) {  // "expect 3 times"
      EXPECT_EQ(Count(account, text), std::stoul(tag.substr(7))) << text << "\n" << account;
    } else {
      continue;
    }
    ++checks;
  }
  return checks;
}

namespace {

double Cell(const std::string &text) { return text.empty() ? NAN : std::stod(text); }

std::vector<TraceRow> ReadTrace(const std::string &text) {
  std::vector<TraceRow> rows;
  std::istringstream in(text);
  std::string line;
  std::getline(in, line);  // the header
  while (std::getline(in, line)) {
    std::vector<std::string> cells;
    std::stringstream fields(line);
    std::string cell;
    while (std::getline(fields, cell, ',')) cells.push_back(cell);
    if (line.back() == ',') cells.push_back("");
    if (cells.size() != 15)
      ADD_FAILURE() << "trace row with " << cells.size() << " cells: " << line;
    if (cells.size() != 15) continue;
    TraceRow r;
    r.step = std::stol(cells[0]);
    r.t = Cell(cells[1]);
    r.vessel = cells[2];
    r.parent = cells[3];
    r.pos = {Cell(cells[4]), Cell(cells[5]), Cell(cells[6])};
    r.vel = {Cell(cells[7]), Cell(cells[8]), Cell(cells[9])};
    r.lat_deg = Cell(cells[10]);
    r.lon_deg = Cell(cells[11]);
    r.heading_deg = Cell(cells[12]);
    r.altitude = Cell(cells[13]);
    r.clearance = Cell(cells[14]);
    rows.push_back(r);
  }
  return rows;
}

}  // namespace

std::vector<Json> Outcome::Records(const std::string &kind, const std::string &vessel) const {
  std::vector<Json> found;
  for (const Json &e : events) {
    if (e["kind"] != kind) continue;
    if (!vessel.empty()) {
      const bool child = kind == "AttachChild" || kind == "DetachChild";
      const Json &who = child ? e["child"] : e["vessel"];
      if (!who.is_string() || who.get<std::string>() != vessel) continue;
    }
    found.push_back(e);
  }
  return found;
}

std::vector<TraceRow> Outcome::Rows(const std::string &vessel) const {
  std::vector<TraceRow> rows;
  for (const TraceRow &r : trace) {
    if (r.vessel == vessel) rows.push_back(r);
  }
  return rows;
}

void E2E::SetUp() {
  const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char &c : name) {
    if (c == '/') c = '_';
  }
  work_dir =
      std::filesystem::temp_directory_path() / ("touchdown-e2e-" + std::to_string(getpid())) / name;
  std::filesystem::create_directories(work_dir);
}

void E2E::TearDown() {
  if (!HasFailure()) std::filesystem::remove_all(work_dir);
}

std::string E2E::Shipped(const std::string &name) {
  return std::string(TD_SOURCE_DIR) + "/scenarios/" + name;
}

std::string E2E::TestScenario(const std::string &name) {
  return std::string(TD_SOURCE_DIR) + "/tests/scenarios/" + name;
}

std::string E2E::ShippedIn(const std::string &name, const std::string &order,
                           bool still_moon) const {
  std::istringstream lines(Slurp(Shipped(name)));
  std::string text, line;
  while (std::getline(lines, line)) {
    const bool motion = line.starts_with("rotation_period_s") || line.starts_with("velocity_mps");
    if (!(still_moon && motion)) text += line + "\n";
  }
  return Write(order + (still_moon ? "-still-" : "-") + name,
               text + "\n[host]\npost_step_sees = \"" + order + "\"\n");
}

std::string E2E::Write(const std::string &name, const std::string &text) const {
  const std::filesystem::path path = work_dir / name;
  std::ofstream(path, std::ios::binary) << text;
  return path.string();
}

Outcome E2E::Exec(const std::string &scenario, bool with_events, bool with_trace,
                  const std::string &extra, const std::string &signals) const {
  const std::filesystem::path events = work_dir / "events.jsonl", trace = work_dir / "trace.csv",
                              out = work_dir / "out.txt", err = work_dir / "err.txt";
  std::filesystem::remove(events);
  std::filesystem::remove(trace);
  std::string command = std::string("'") + TD_SIM_PROGRAM + "'";
  if (!scenario.empty()) command += " '" + scenario + "'";
  if (with_events) command += " --events '" + events.string() + "'";
  if (with_trace) command += " --trace '" + trace.string() + "'";
  command += " " + extra + " > '" + out.string() + "' 2> '" + err.string() + "'";
  if (!signals.empty()) {
    // A program started with & by sh begins with SIGINT ignored: a signal sent before it has
    // put in its own handler (Linux shows that in SigCgt, SIGINT being bit 1) would be lost,
    // and the run would go on to its end. Then half a second of steps for the outputs to hold.
    command +=
        " & p=$!; while kill -0 $p 2>/dev/null && ! grep -qE '^SigCgt:.*[2367abef]$' "
        "/proc/$p/status; do sleep 0.02; done; sleep 0.5; for s in " +
        signals + "; do kill -$s $p; done; wait $p";
  }
  const int raw = std::system(command.c_str());
  Outcome run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = Slurp(out);
  run.err = Slurp(err);
  if (with_events) {
    run.events_text = Slurp(events);
    std::istringstream lines(run.events_text);
    std::string line;
    while (std::getline(lines, line)) run.events.push_back(Json::parse(line));
  }
  if (with_trace) run.trace = ReadTrace(Slurp(trace));
  return run;
}

}  // namespace e2e
