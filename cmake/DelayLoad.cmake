# Delay-load import libraries for mingw-w64.
#
# orvel_delay_load_libraries(OUT lib...) makes, at configure time, one import library per system library
# (gdiplus -> gdiplus.dll) whose functions are bound on their first call by the delay-load helper of
# mingw-w64's runtime (__delayLoadHelper2, in libmingwex) instead of by the loader at process start. The list of
# functions comes from mingw-w64's own import library (its __imp_ symbols), so nothing is written by hand.
# OUT receives the full paths of the libraries made, to link in place of the plain names.
#
# The helper loads the DLL by its bare name with LoadLibrary, so the default search that wWinMain set up
# (the system folder only) applies.

function(orvel_delay_load_libraries out)
  set(triple ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
  find_program(ORVEL_DLLTOOL NAMES ${triple}-dlltool REQUIRED)
  find_program(ORVEL_NM NAMES ${triple}-nm REQUIRED)
  set(made)
  foreach(lib ${ARGN})
    find_library(ORVEL_IMPORT_${lib} NAMES lib${lib}.a ${lib} REQUIRED NO_CACHE)
    set(def ${CMAKE_BINARY_DIR}/delayload/${lib}.def)
    set(delay ${CMAKE_BINARY_DIR}/delayload/lib${lib}_delay.a)
    execute_process(COMMAND ${ORVEL_NM} ${ORVEL_IMPORT_${lib}} OUTPUT_VARIABLE symbols
                    RESULT_VARIABLE failed ERROR_QUIET)
    if(failed)
      message(FATAL_ERROR "${ORVEL_NM} could not read ${ORVEL_IMPORT_${lib}}")
    endif()
    # "00000000 I __imp__GdiplusStartup@12" (i686: one more underscore, stdcall's @N) or
    # "0000000000000000 I __imp_GdiplusStartup" (x86_64).
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      set(pattern "I __imp__([A-Za-z0-9_@?]+)")
    else()
      set(pattern "I __imp_([A-Za-z0-9_@?]+)")
    endif()
    string(REGEX MATCHALL "${pattern}" entries "${symbols}")
    set(lines "LIBRARY ${lib}.dll\nEXPORTS\n")
    set(count 0)
    foreach(entry ${entries})
      string(REGEX REPLACE "${pattern}" "\\1" name "${entry}")
      string(APPEND lines "${name}\n")
      math(EXPR count "${count} + 1")
    endforeach()
    if(count EQUAL 0)
      message(FATAL_ERROR "no functions found in ${ORVEL_IMPORT_${lib}}")
    endif()
    file(WRITE ${def} "${lines}")
    set(kill_at)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      set(kill_at -k)  # the DLL's names carry no @N
    endif()
    execute_process(COMMAND ${ORVEL_DLLTOOL} ${kill_at} -d ${def} -D ${lib}.dll -y ${delay}
                    RESULT_VARIABLE failed ERROR_VARIABLE errors)
    if(failed)
      message(FATAL_ERROR "${ORVEL_DLLTOOL} failed for ${lib}: ${errors}")
    endif()
    list(APPEND made ${delay})
  endforeach()
  set(${out} ${made} PARENT_SCOPE)
endfunction()
