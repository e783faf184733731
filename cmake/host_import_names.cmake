# Pairs the two names of each host function: the one MinGW's compiler gives it (what our DLL's
# code refers to) and the one Microsoft's compiler gives it (what the real host exports). Both
# come from compiles of host/host_calls.cpp; a function is recognised in both by its qualified
# name, read from each mangling. Writes the import library of the host executable and the
# export list of the stand-in host.
#
# cmake -DNM=... -DDLLTOOL=... -DGCC_OBJECT=... -DMSVC_OBJECT=... -DSTRIP_UNDERSCORE=ON|OFF
#       -DIMPORT_DEF=... -DIMPORT_LIBRARY=... -DEXPORT_DEF=... -P host_import_names.cmake

# The functions an object imports (dllimport references are "__imp_" + the symbol).
function(imported_symbols object out)
  execute_process(COMMAND ${NM} --undefined-only --just-symbol-name ${object}
                  OUTPUT_VARIABLE listing RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${object}")
  endif()
  string(REGEX MATCHALL "__imp_[^\n]+" imports "${listing}")
  set(symbols "")
  foreach(import IN LISTS imports)
    string(SUBSTRING ${import} 6 -1 symbol)
    list(APPEND symbols ${symbol})
  endforeach()
  set(${out} ${symbols} PARENT_SCOPE)
endfunction()

# "?Name@Class@@..." -> Class::Name; "?Name@@..." -> Name.
function(msvc_qualified_name symbol out)
  if(NOT symbol MATCHES "^\\?([^@]+(@[^@]+)*)@@")
    message(FATAL_ERROR "not a Microsoft C++ name: ${symbol}")
  endif()
  string(REPLACE "@" ";" parts "${CMAKE_MATCH_1}")
  list(REVERSE parts)
  list(JOIN parts "::" name)
  set(${out} ${name} PARENT_SCOPE)
endfunction()

# "_ZNK6VESSEL9GetHandleEv" -> VESSEL::GetHandle; "_Z11oapiGetSizePv" -> oapiGetSize.
function(itanium_qualified_name symbol out)
  if(symbol MATCHES "^_ZNK?(.*)$")
    set(rest ${CMAKE_MATCH_1})
    set(nested ON)
  elseif(symbol MATCHES "^_Z(.*)$")
    set(rest ${CMAKE_MATCH_1})
    set(nested OFF)
  else()
    message(FATAL_ERROR "not an Itanium C++ name: ${symbol}")
  endif()
  set(parts "")
  while(rest MATCHES "^([0-9]+)(.*)$")
    set(length ${CMAKE_MATCH_1})
    set(tail ${CMAKE_MATCH_2})
    string(SUBSTRING "${tail}" 0 ${length} part)
    string(SUBSTRING "${tail}" ${length} -1 rest)
    list(APPEND parts ${part})
    if(NOT nested)
      break()
    endif()
  endwhile()
  list(JOIN parts "::" name)
  set(${out} ${name} PARENT_SCOPE)
endfunction()

imported_symbols(${GCC_OBJECT} gcc_symbols)
imported_symbols(${MSVC_OBJECT} msvc_symbols)
list(LENGTH gcc_symbols gcc_count)
list(LENGTH msvc_symbols msvc_count)
if(gcc_count EQUAL 0 OR NOT gcc_count EQUAL msvc_count)
  message(FATAL_ERROR "${gcc_count} host functions in the MinGW compile, ${msvc_count} in the Microsoft one")
endif()

foreach(symbol IN LISTS msvc_symbols)
  msvc_qualified_name(${symbol} name)
  if(DEFINED "msvc_of_${name}")
    message(FATAL_ERROR "${name} is overloaded: its two names cannot be paired by name")
  endif()
  set("msvc_of_${name}" ${symbol})
endforeach()

set(import_def "LIBRARY \"orbiter.exe\"\nEXPORTS\n")
set(export_def "EXPORTS\n")
foreach(symbol IN LISTS gcc_symbols)
  # i386 puts an underscore in front of every C-level name; the .def files name functions
  # without it, and the tools put it back.
  if(STRIP_UNDERSCORE AND symbol MATCHES "^_(.*)$")
    set(symbol ${CMAKE_MATCH_1})
  endif()
  itanium_qualified_name(${symbol} name)
  if(NOT DEFINED "msvc_of_${name}")
    message(FATAL_ERROR "${name} (${symbol}) has no counterpart in the Microsoft compile")
  endif()
  string(APPEND import_def "${symbol} == \"${msvc_of_${name}}\"\n")
  string(APPEND export_def "\"${msvc_of_${name}}\" = ${symbol}\n")
endforeach()

file(WRITE ${IMPORT_DEF} "${import_def}")
file(WRITE ${EXPORT_DEF} "${export_def}")
file(REMOVE ${IMPORT_LIBRARY})
execute_process(COMMAND ${DLLTOOL} --input-def ${IMPORT_DEF} --output-lib ${IMPORT_LIBRARY}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${DLLTOOL} failed on ${IMPORT_DEF}")
endif()
