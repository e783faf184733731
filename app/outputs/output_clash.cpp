#include "app/outputs/output_clash.h"

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/base/program_files.h"
#include "app/run/plugin.h"

namespace app {

namespace {

namespace fs = std::filesystem;

struct Named {
  std::string role;  // "the scenario", "--events FILE", ...
  fs::path path;
};

bool SameFile(const fs::path &a, const fs::path &b) {
  std::error_code ea, eb;
  const bool a_exists = fs::exists(a, ea), b_exists = fs::exists(b, eb);
  if (a_exists && b_exists) {
    // Any number of outputs may go to /dev/null or another device: nothing is kept there.
    const auto kept = [](const fs::path &p) {
      std::error_code error;
      const fs::file_type type = fs::status(p, error).type();
      return type == fs::file_type::regular || type == fs::file_type::directory;
    };
    std::error_code error;
    return kept(a) && kept(b) && fs::equivalent(a, b, error);
  }
  if (a_exists != b_exists) return false;
  // Absolute first: "r.html" and "./r.html" would otherwise resolve differently.
  return fs::weakly_canonical(fs::absolute(a, ea), ea) ==
         fs::weakly_canonical(fs::absolute(b, eb), eb);
}

bool EndsWith(const std::string &text, const std::string &end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// What the run loads and runs: an output written over one of them breaks the installation.
std::vector<Named> WhatRuns(const RunOutputs &o) {
  const std::string program = ThisProgram();
  if (program.empty()) return {};
  const fs::path modules = fs::path(program).parent_path() / "modules";
#ifdef _WIN32
  const char *library = "dorvak.dll";
#else
  const char *library = "dorvak.so";
#endif
  return {
      {"the program " + program, program},
      {"the plug-in " + (o.module_path.empty() ? DefaultPluginPath(program) : o.module_path),
       o.module_path.empty() ? DefaultPluginPath(program) : o.module_path},
      {"the terrain library " + (modules / library).string(), modules / library},
      {"the terrain library " + (modules / "nofn" / library).string(), modules / "nofn" / library},
  };
}

// The names --plot gives its files (app/visuals/plots.cpp, plot_data.cpp, plot_script.cpp).
bool IsPlotFileName(const std::string &name) {
  for (const char *fixed : {"plots.gp", "gnuplot.log", "terrain.dat", "forces.png", "forces.svg",
                            "map.png", "map.svg", ".touchdown-sim-files"}) {
    if (name == fixed) return true;
  }
  return name.rfind("vessel-", 0) == 0 &&
         (EndsWith(name, ".dat") || EndsWith(name, ".png") || EndsWith(name, ".svg"));
}

// Every session's outputs, under the names it gives them.
void AddOutputs(const RunOutputs &run, std::vector<Named> &files) {
  for (const SessionOutputs &o : run.sessions) {
    if (!o.events_path.empty()) files.push_back({"--events " + o.events_path, o.events_path});
    if (!o.trace_path.empty()) files.push_back({"--trace " + o.trace_path, o.trace_path});
    if (!o.replay_path.empty()) files.push_back({"--replay " + o.replay_path, o.replay_path});
    if (!o.record_scenario.empty()) {
      files.push_back({"--record-scenario " + o.record_scenario, o.record_scenario});
    }
    if (!o.save_scn.empty()) files.push_back({"--save-scn " + o.save_scn, o.save_scn});
  }
}

// files: first what runs (`running` of them), then what is read, from first_output on the
// outputs.
void CheckNoOutputTwice(const std::vector<Named> &files, size_t running, size_t first_output) {
  for (size_t i = first_output; i < files.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      if (!SameFile(files[i].path, files[j].path)) continue;
      if (j < running) {
        throw UsageError(files[i].role + " is " + files[j].role +
                         "; writing it would break what runs");
      }
      throw UsageError(files[i].role + " and " + files[j].role +
                       " are the same file; give each output a file of its own");
    }
  }
}

void CheckPlotFolder(const std::vector<Named> &files, size_t first_output,
                     const std::string &plot_dir) {
  for (size_t i = 0; i < files.size(); ++i) {
    const Named &file = files[i];
    if (i >= first_output && SameFile(file.path, plot_dir)) {
      throw UsageError(file.role + " is the folder --plot " + plot_dir + " draws into");
    }
    const fs::path parent =
        file.path.parent_path().empty() ? fs::path(".") : file.path.parent_path();
    if (SameFile(parent, plot_dir) && IsPlotFileName(file.path.filename().string())) {
      throw UsageError(file.role + " is a file that --plot " + plot_dir +
                       " writes; give it another name or the plots another folder");
    }
  }
}

}  // namespace

void CheckOutputsApart(const RunOutputs &run) {
  std::vector<Named> files = WhatRuns(run);
  const size_t running = files.size();
  for (const std::string &scenario : run.scenarios) {
    files.push_back({"the scenario " + scenario, scenario});
  }
  const size_t first_output = files.size();
  AddOutputs(run, files);
  CheckNoOutputTwice(files, running, first_output);
  for (const SessionOutputs &o : run.sessions) {
    if (!o.plot_dir.empty()) CheckPlotFolder(files, first_output, o.plot_dir);
  }
}

}  // namespace app
