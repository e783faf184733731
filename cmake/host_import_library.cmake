# The host executable's binary interface for a Windows build. A DLL for the real simulator
# imports the host functions from "orbiter.exe" under the names Microsoft's compiler gave
# them; our compiler refers to them by its own names. host/host_calls.cpp is compiled by both
# (clang in Microsoft mode stands in for the host's compiler) and each function's two names
# are paired (host_import_names.cmake) into:
#   orbiter_import  - link it into a DLL: the import library from "orbiter.exe";
#   orbiter_exports - link it into the stand-in host: its export list, the host's names.
# The names are derived from our own declarations, so a declaration that drifts from the
# host's changes them; scripts/windows.sh compares the DLL's import table with the host's.

find_program(TD_MSVC_CLANG NAMES clang++-14 clang++ REQUIRED)
find_program(TD_LLVM_NM NAMES llvm-nm-14 llvm-nm REQUIRED)
find_program(TD_DLLTOOL NAMES ${TD_MINGW_TRIPLE}-dlltool REQUIRED)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(td_msvc_target x86_64-pc-windows-msvc)
  set(td_strip_underscore OFF)
else()
  set(td_msvc_target i686-pc-windows-msvc)
  set(td_strip_underscore ON)
endif()

set(td_calls ${PROJECT_SOURCE_DIR}/host/host_calls.cpp)
set(td_out ${CMAKE_BINARY_DIR}/host_interface)
file(MAKE_DIRECTORY ${td_out})

add_library(host_calls OBJECT ${td_calls})
target_include_directories(host_calls PRIVATE ${PROJECT_SOURCE_DIR})

add_custom_command(
  OUTPUT ${td_out}/host_calls_msvc.obj
  COMMAND ${TD_MSVC_CLANG} --target=${td_msvc_target} -std=c++20 -I${PROJECT_SOURCE_DIR}
          -I${PROJECT_SOURCE_DIR}/cmake/msvc_platform -c ${td_calls}
          -o ${td_out}/host_calls_msvc.obj
  DEPENDS ${td_calls} ${PROJECT_SOURCE_DIR}/host/orbiter_api.h
          ${PROJECT_SOURCE_DIR}/cmake/msvc_platform/windows.h
  COMMENT "Host function names as Microsoft's compiler makes them (${td_msvc_target})"
  VERBATIM)

set(td_import_library ${td_out}/liborbiter.dll.a)
set(td_export_def ${td_out}/orbiter_exports.def)
add_custom_command(
  OUTPUT ${td_import_library} ${td_out}/orbiter_imports.def ${td_export_def}
  COMMAND ${CMAKE_COMMAND} -DNM=${TD_LLVM_NM} -DDLLTOOL=${TD_DLLTOOL}
          -DGCC_OBJECT=$<TARGET_OBJECTS:host_calls> -DMSVC_OBJECT=${td_out}/host_calls_msvc.obj
          -DSTRIP_UNDERSCORE=${td_strip_underscore} -DIMPORT_DEF=${td_out}/orbiter_imports.def
          -DIMPORT_LIBRARY=${td_import_library} -DEXPORT_DEF=${td_export_def}
          -P ${PROJECT_SOURCE_DIR}/cmake/host_import_names.cmake
  DEPENDS host_calls $<TARGET_OBJECTS:host_calls> ${td_out}/host_calls_msvc.obj
          ${PROJECT_SOURCE_DIR}/cmake/host_import_names.cmake
  COMMENT "Import library of orbiter.exe and the stand-in host's export list"
  VERBATIM)
add_custom_target(host_interface_files DEPENDS ${td_import_library} ${td_export_def})

add_library(orbiter_import INTERFACE)
target_link_libraries(orbiter_import INTERFACE ${td_import_library})
set_target_properties(orbiter_import PROPERTIES INTERFACE_LINK_DEPENDS ${td_import_library})
add_dependencies(orbiter_import host_interface_files)

add_library(orbiter_exports INTERFACE)
target_link_options(orbiter_exports INTERFACE ${td_export_def})
set_target_properties(orbiter_exports PROPERTIES INTERFACE_LINK_DEPENDS ${td_export_def})
add_dependencies(orbiter_exports host_interface_files)
