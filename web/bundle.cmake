# Installs the web packages when the lock file has changed since they were installed, then
# bundles: cmake -DNODE=.. -DNPM=.. -DWEB_DIR=.. -DOUT=.. -P bundle.cmake
# Builds of several presets share web/node_modules; the lock keeps them from installing
# over each other.
file(LOCK ${WEB_DIR}/node_modules.lock GUARD PROCESS TIMEOUT 600)
set(installed ${WEB_DIR}/node_modules/.package-lock.json)
if(NOT EXISTS ${installed} OR ${WEB_DIR}/package-lock.json IS_NEWER_THAN ${installed})
  execute_process(COMMAND ${NPM} ci --no-audit --no-fund --ignore-scripts WORKING_DIRECTORY ${WEB_DIR}
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "npm ci in ${WEB_DIR} failed (${status}); the npm registry must be "
                        "reachable once, or configure with node and npm off the PATH")
  endif()
endif()
execute_process(COMMAND ${NODE} build.mjs ${OUT} WORKING_DIRECTORY ${WEB_DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "bundling the replay page failed (${status})")
endif()
