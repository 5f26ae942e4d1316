# Source files are found by folder and name, so adding a file never means editing a
# list. The rules:
#   - src/ui/**, and in any folder files named frm*, *Page.*, drgstcst.*: Qt windows
#     (quorvel_ui);
#   - src/platform/fake/**: test doubles (quorvel_fakes);
#   - src/platform/win32/** only on Windows; posix/**, x11/** and atspi/** only
#     elsewhere; in any other folder, files named *_win32.cpp only on Windows and
#     *_posix.cpp only elsewhere (the operating system's half of a unit, e.g.
#     storage/FileOps_posix.cpp);
#   - src/startup/main.cpp is the program's entry;
#   - everything else under src/ is the Qt-free core (quorvel_core).

function(quorvel_is_ui_file out file)
  get_filename_component(name "${file}" NAME)
  if(file MATCHES "/src/ui/" OR name MATCHES "^frm" OR name MATCHES "Page\\.(cpp|h)$"
     OR name MATCHES "^drgstcst\\.")
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

function(quorvel_collect_sources core_out ui_out fakes_out)
  file(GLOB_RECURSE all CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/src/*.cpp")
  set(core "")
  set(ui "")
  set(fakes "")
  foreach(file IN LISTS all)
    if(file MATCHES "/src/startup/main\\.cpp$")
      continue()
    endif()
    if(file MATCHES "/src/platform/win32/" AND NOT WIN32)
      continue()
    endif()
    if(file MATCHES "/src/platform/(posix|x11|atspi)/" AND WIN32)
      continue()
    endif()
    if((file MATCHES "_win32\\.cpp$" AND NOT WIN32) OR (file MATCHES "_posix\\.cpp$" AND WIN32))
      continue()
    endif()
    if(file MATCHES "/src/platform/(x11|atspi)/" AND QUORVEL_CORE_ONLY)
      continue()
    endif()
    if(file MATCHES "/src/platform/fake/")
      list(APPEND fakes "${file}")
      continue()
    endif()
    quorvel_is_ui_file(is_ui "${file}")
    if(is_ui)
      list(APPEND ui "${file}")
    else()
      list(APPEND core "${file}")
    endif()
  endforeach()
  set(${core_out} "${core}" PARENT_SCOPE)
  set(${ui_out} "${ui}" PARENT_SCOPE)
  set(${fakes_out} "${fakes}" PARENT_SCOPE)
endfunction()

# The test files of a folder that build for this OS: files ending in _win32.cpp build
# only for Windows, _posix.cpp and _x11.cpp only elsewhere.
function(quorvel_os_files out folder)
  file(GLOB all CONFIGURE_DEPENDS "${folder}/*.cpp")
  set(files "")
  foreach(file IN LISTS all)
    if(file MATCHES "_win32\\.cpp$" AND NOT WIN32)
      continue()
    endif()
    if(file MATCHES "_(posix|x11)\\.cpp$" AND WIN32)
      continue()
    endif()
    list(APPEND files "${file}")
  endforeach()
  set(${out} "${files}" PARENT_SCOPE)
endfunction()

# One test program per folder of tests/, each test case registered with CTest.
function(quorvel_test_folder name folder)
  quorvel_os_files(files "${folder}")
  if(NOT files)
    return()
  endif()
  add_executable(${name} ${files})
  target_link_libraries(${name} PRIVATE ${ARGN})
  target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}/tests")
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${PROJECT_BINARY_DIR}/tests")
endfunction()
