# cmake -DNM=<nm> -DLIBRARY=<Harrowmeter.so> -P check_exports.cmake
# Passes when the library's dynamic symbol table defines the seven functions of the interface,
cmake_minimum_required(VERSION 3.25)
# as code, and nothing else but what the linker itself may add.
set(expected
  DV_IsQuillgraphDLL DV_GetDeviceParam DV_GetDeviceChannelsNumber DV_GetOffSetReg
  DV_GetInitReg DV_GetCommandType DV_GetInputType)
set(linker_symbols _init _fini _edata _end __bss_start)

get_filename_component(file ${LIBRARY} NAME)
if(NOT file STREQUAL "Harrowmeter.so")
  message(FATAL_ERROR "the plug-in is ${file}, not Harrowmeter.so")
endif()

execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}: ${err}")
endif()

string(REPLACE "\n" ";" lines "${out}")
set(found)
set(unexpected)
foreach(line IN LISTS lines)
  if(line MATCHES "^[0-9a-fA-F]* *([A-Za-z]) ([^ ]+)$")
    set(kind ${CMAKE_MATCH_1})
    set(name ${CMAKE_MATCH_2})
    if(name IN_LIST expected AND kind STREQUAL "T")
      list(APPEND found ${name})
    elseif(NOT name IN_LIST linker_symbols)
      list(APPEND unexpected "${kind} ${name}")
    endif()
  elseif(NOT line STREQUAL "")
    list(APPEND unexpected "${line}")
  endif()
endforeach()

set(missing)
foreach(name IN LISTS expected)
  if(NOT name IN_LIST found)
    list(APPEND missing ${name})
  endif()
endforeach()
if(missing OR unexpected)
  message(FATAL_ERROR "Harrowmeter.so exports are wrong\n  missing: ${missing}\n  extra: ${unexpected}\n${out}")
endif()
message(STATUS "Harrowmeter.so exports exactly the seven functions")
