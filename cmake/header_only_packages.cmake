# toml++ and CLI11 for the Windows build: both are header-only, and the build machine's
# headers serve any target. Only their own folders go on the include path (through links in
# the build folder), never /usr/include with the build machine's C library behind them.
function(td_header_only_package target header_dir probe)
  find_path(found ${probe} PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT found)
    message(FATAL_ERROR "${probe} not found: install the Debian package that has it")
  endif()
  set(stage ${CMAKE_BINARY_DIR}/header-only/${header_dir})
  file(MAKE_DIRECTORY ${stage})
  file(CREATE_LINK ${found}/${header_dir} ${stage}/${header_dir} SYMBOLIC)
  add_library(${target} INTERFACE IMPORTED)
  target_include_directories(${target} SYSTEM INTERFACE ${stage})
  unset(found CACHE)
endfunction()

td_header_only_package(tomlplusplus::tomlplusplus toml++ toml++/toml.h)
target_compile_definitions(tomlplusplus::tomlplusplus INTERFACE TOML_HEADER_ONLY=1)
td_header_only_package(CLI11::CLI11 CLI CLI/CLI.hpp)
