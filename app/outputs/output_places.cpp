#include "app/outputs/output_places.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "app/base/output_file.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace app {

namespace {

namespace fs = std::filesystem;

fs::path FolderOf(const std::string &path) {
  const fs::path parent = fs::path(path).parent_path();
  return parent.empty() ? fs::path(".") : parent;
}

void MakeFolder(const std::string &role, const fs::path &dir) {
  std::error_code error;
  const fs::file_type type = fs::status(dir, error).type();
  if (type == fs::file_type::directory) return;
  if (type != fs::file_type::not_found) {
    throw std::runtime_error("cannot write " + role + ": " + dir.string() +
                             " is a file, not a folder");
  }
  fs::create_directories(dir, error);
  if (error || !fs::is_directory(dir)) {
    throw std::runtime_error("cannot write " + role + ": cannot create the folder " + dir.string() +
                             ": " + error.message());
  }
}

// An output file that is never closed leaves nothing behind but the proof that a file could
// be made there.
void TryWriting(const std::string &role, const std::string &path) {
  try {
    OutputFile::Probe(path);
  } catch (const std::runtime_error &e) {
    throw std::runtime_error(role + ": " + e.what());
  }
}

}  // namespace

void ProbeOutputFile(const std::string &role, const std::string &path) {
  std::error_code error;
  const fs::file_type type = fs::status(path, error).type();
  if (type == fs::file_type::directory) {
    throw std::runtime_error("cannot write " + role + ": it is a folder");
  }
  // A device or a pipe is written as it is; opening a pipe now would wait for its reader.
  if (type != fs::file_type::not_found && type != fs::file_type::regular) {
#ifndef _WIN32
    if (access(path.c_str(), W_OK) != 0) {
      throw std::runtime_error("cannot write " + role + ": " + std::strerror(errno));
    }
#endif
    return;
  }
  MakeFolder(role, FolderOf(path));
  TryWriting(role, path);
}

void CheckOutputPlaces(const RunOutputs &run) {
  for (const SessionOutputs &o : run.sessions) {
    const struct {
      const char *option;
      const std::string &path;
    } files[] = {{"--events", o.events_path},
                 {"--trace", o.trace_path},
                 {"--replay", o.replay_path},
                 {"--record-scenario", o.record_scenario},
                 {"--save-scn", o.save_scn}};
    for (const auto &f : files) {
      if (!f.path.empty()) ProbeOutputFile(std::string(f.option) + " " + f.path, f.path);
    }
    if (!o.plot_dir.empty()) {
      const std::string role = "--plot " + o.plot_dir;
      MakeFolder(role, o.plot_dir);
      TryWriting(role, (fs::path(o.plot_dir) / "plots.gp").string());
    }
  }
}

}  // namespace app
