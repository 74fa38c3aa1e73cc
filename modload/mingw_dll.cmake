# Small 32-bit Windows DLLs built with the mingw-w64 cross compiler in both
# builds: the skin library and the loader's test libraries. They link no C
# runtime (-nostdlib) and import only what their sources name, so their
# imports load on Windows XP and stay small.
#
# trivex_mingw_dll(<name> SOURCES ... [DEF <file>] [LIBS ...] [FLAGS ...]
#                  [LINK ...] [DEPENDS ...] [OUTPUT_DIR <dir>])
# defines target <name> building <dir>/<name>.dll and sets <name>_DLL.
# trivex_mingw_import_lib(<name> DEF <file> [OUTPUT_DIR <dir>]) builds the
# import library lib<name>.a from a .def file and sets <name>_LIB.
find_program(TRIVEX_MINGW_CXX NAMES i686-w64-mingw32-g++)
find_program(TRIVEX_MINGW_DLLTOOL NAMES i686-w64-mingw32-dlltool)

function(trivex_mingw_dll name)
  cmake_parse_arguments(D "" "DEF;OUTPUT_DIR" "SOURCES;LIBS;FLAGS;LINK;DEPENDS" ${ARGN})
  if(NOT D_OUTPUT_DIR)
    set(D_OUTPUT_DIR ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  set(out ${D_OUTPUT_DIR}/${name}.dll)
  set(srcs)
  foreach(s ${D_SOURCES} ${D_DEF})
    get_filename_component(a ${s} ABSOLUTE)
    list(APPEND srcs ${a})
  endforeach()
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${D_OUTPUT_DIR}
    COMMAND ${TRIVEX_MINGW_CXX} -std=c++20 -O2 -Wall -Wextra -shared -nostdlib
            -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -fno-stack-protector
            -finput-charset=UTF-8 -fexec-charset=GBK
            -DWINVER=0x0501 -D_WIN32_WINNT=0x0501 -I${CMAKE_SOURCE_DIR}
            ${D_FLAGS} -o ${out} ${srcs}
            -s -Wl,--kill-at -Wl,--major-subsystem-version,5,--minor-subsystem-version,1
            ${D_LINK} ${D_LIBS} -lgcc
    DEPENDS ${srcs} ${D_DEPENDS}
    COMMENT "Building 32-bit Windows library ${name}.dll"
    VERBATIM)
  add_custom_target(${name} DEPENDS ${out})
  set(${name}_DLL ${out} PARENT_SCOPE)
endfunction()

function(trivex_mingw_import_lib name)
  cmake_parse_arguments(D "" "DEF;OUTPUT_DIR" "" ${ARGN})
  if(NOT D_OUTPUT_DIR)
    set(D_OUTPUT_DIR ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  get_filename_component(def ${D_DEF} ABSOLUTE)
  set(out ${D_OUTPUT_DIR}/lib${name}.a)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${D_OUTPUT_DIR}
    COMMAND ${TRIVEX_MINGW_DLLTOOL} --kill-at -d ${def} -l ${out}
    DEPENDS ${def}
    COMMENT "Building import library lib${name}.a"
    VERBATIM)
  set(${name}_LIB ${out} PARENT_SCOPE)
endfunction()
