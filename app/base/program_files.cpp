#include "app/base/program_files.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace app {

std::string ThisProgram() {
#ifdef _WIN32
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(path, n) : std::string();
#else
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).string();
#endif
}

std::string ReadPageScript(const std::string &program_path, const std::string &name,
                           const std::string &option) {
  const size_t slash = program_path.find_last_of("/\\");
  const std::string dir = slash == std::string::npos ? "." : program_path.substr(0, slash);
  const std::string path = dir + "/replay/" + name;
  std::ifstream in(path, std::ios::binary);
  std::string text(std::istreambuf_iterator<char>(in), {});
  if (!in || text.empty()) {
    throw std::runtime_error(option + " needs the page's script " + path +
                             ", which is built with the program when node and npm are "
                             "installed (scripts/visual.sh installs them)");
  }
  return text;
}

}  // namespace app
