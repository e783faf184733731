# The archive a user unpacks into the simulator's folder, one per width:
# `cmake --build --preset windows --target package` makes touchdown-VERSION-x64.zip in the
# build folder, the windows32 preset touchdown-VERSION-x86.zip. Its paths are the simulator's
# own, from its root, with no folder around them: unpacked where orbiter.exe is, everything
# lands where the simulator looks for it. The stand-in host and the checks stay out.
set(td_width x86)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(td_width x64)
endif()

install(TARGETS touchdown LIBRARY DESTINATION Modules/Plugin COMPONENT simulator)
install(TARGETS dorvak LIBRARY DESTINATION Modules COMPONENT simulator)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/orbiter/ DESTINATION . COMPONENT simulator)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME touchdown)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME touchdown-${PROJECT_VERSION}-${td_width})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_COMPONENTS_ALL simulator)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)
