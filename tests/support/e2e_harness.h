// End-to-end harness: runs the real touchdown-sim on a scenario in a fresh temporary
// directory and reads back what it wrote: exit status, stdout, stderr, the event log (JSON
// Lines) and the trace (CSV).
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/moon_and_ground.h"

namespace e2e {

using Json = nlohmann::json;
using Vec = std::array<double, 3>;

using tdtest::kMoonAndGround;

// One row of the trace.
struct TraceRow {
  long step = 0;
  double t = 0.0;
  std::string vessel, parent;
  Vec pos{}, vel{};
  double lat_deg = 0.0, lon_deg = 0.0, heading_deg = 0.0, altitude = 0.0, clearance = 0.0;
};

struct Outcome {
  int status = -1;
  std::string out, err;
  std::string events_text;
  std::vector<Json> events;
  std::vector<TraceRow> trace;

  // Event-log records of one kind, optionally only those about one vessel (its "vessel"
  // field, or for DetachChild and AttachChild the child).
  std::vector<Json> Records(const std::string &kind, const std::string &vessel = "") const;
  // The trace rows of one vessel, in step order.
  std::vector<TraceRow> Rows(const std::string &vessel) const;
};

// What an output held before a run that must leave it alone.
constexpr char kPrevious[] = "previous\n";

// The temporary files and folders under dir (".tmp", a plot staging folder): none may outlive
// a run.
std::vector<std::string> Temporaries(const std::filesystem::path &dir);
// A file's bytes, or nothing when it cannot be read.
std::string Slurp(const std::filesystem::path &path);
// Whether a shell command succeeds, its output dropped.
bool Installed(const std::string &command);

// Starts program with exactly these arguments (no shell between: a path may hold a newline or
// a quote) in dir, stdout and stderr to the descriptors given (-1: inherited), GNUPLOT set to
// dir/gp when there is one.
pid_t Start(const std::vector<std::string> &args, const std::filesystem::path &dir, int out_fd,
            int err_fd, const std::string &program = TD_SIM_PROGRAM);

struct Ran {
  int status = -1;
  std::string out, err;
  double seconds = 0.0;
};
// Start's program run to its end, stdout and stderr in files in dir (stdout in stdout_to when
// given, and then not read back).
Ran RunIn(const std::filesystem::path &dir, const std::vector<std::string> &args,
          const std::string &program = TD_SIM_PROGRAM, const std::string &stdout_to = "");

// Stands in for gnuplot as dir/gp: writes its process id to dir/gp.pid, waits, then draws each
// figure as one line.
void FakeGnuplot(const std::filesystem::path &dir, int seconds = 0);
// How often `what` occurs in text, overlaps counted.
size_t Count(const std::string &text, const std::string &what);

// Checks an account against the lines of a file that say what it must hold ("# expect: ...",
// "# expect N times: ...") and must not ("# absent: ..."); other lines are left to the caller.
// Returns how many such lines there were.
int ExpectAccountHolds(const std::string &account, const std::string &file_text);

inline double Dist(const Vec &a, const Vec &b) {
  return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                   (a[2] - b[2]) * (a[2] - b[2]));
}

class E2E : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A scenario file shipped with the project (scenarios/) or with the tests
  // (tests/scenarios/).
  static std::string Shipped(const std::string &name);
  static std::string TestScenario(const std::string &name);
  // A shipped scenario played in another host, written to the temporary directory: its
  // post-step order set ("end_of_step" or "start_of_step"), and with still_moon its Moon
  // neither turning nor moving. The module as it is was built for the manual's frame on a
  // Moon at rest; the shipped files play the host's code on the Moon as it is.
  std::string ShippedIn(const std::string &name, const std::string &order, bool still_moon) const;
  // Writes text as a scenario file in the temporary directory; returns its path.
  std::string Write(const std::string &name, const std::string &text) const;
  // Runs the program; with_events/with_trace ask for those outputs, extra is appended to
  // the command line as it stands. With signals ("INT", "INT TERM"), the program is sent
  // them, back to back, after running for half a second.
  Outcome Exec(const std::string &scenario, bool with_events, bool with_trace,
               const std::string &extra = "", const std::string &signals = "") const;

  std::filesystem::path work_dir;
};

}  // namespace e2e
