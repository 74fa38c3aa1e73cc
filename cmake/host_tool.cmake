# trivex_host_tool(NAME SOURCES...): a build-time program that runs on the
# build machine. In the host build it is an ordinary target; in the cross
# build it is compiled with the build machine's own compiler.
# The program's path is in ${NAME}_EXE afterwards (for custom commands).
find_program(TRIVEX_HOST_CXX NAMES c++ g++ REQUIRED)

function(trivex_host_tool name)
  set(srcs ${ARGN})
  if(NOT TRIVEX_WIN32)
    add_executable(${name} ${srcs})
    # Build-time tools do not need the sanitizers.
    target_compile_options(${name} PRIVATE -fno-sanitize=all)
    target_link_options(${name} PRIVATE -fno-sanitize=all)
    set(${name}_EXE $<TARGET_FILE:${name}> PARENT_SCOPE)
  else()
    # The program lives in its own folder so that its file and its target
    # never share a name (Ninja refuses that).
    set(out ${CMAKE_CURRENT_BINARY_DIR}/host-tools/${name})
    # Build-time tools include headers of tools/ and of the layers below,
    # and the hand-off (payloads/handoff.h) that the DOS side's sources are filled from.
    file(GLOB_RECURSE tool_headers CONFIGURE_DEPENDS
      ${CMAKE_SOURCE_DIR}/tools/*.h ${CMAKE_SOURCE_DIR}/platform/*.h ${CMAKE_SOURCE_DIR}/ui/*.h
      ${CMAKE_SOURCE_DIR}/payloads/*.h)
    list(APPEND tool_headers ${CMAKE_SOURCE_DIR}/payloads/handoff.h)
    set(abs)
    foreach(s ${srcs})
      get_filename_component(a ${s} ABSOLUTE)
      list(APPEND abs ${a})
    endforeach()
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/host-tools
      COMMAND ${TRIVEX_HOST_CXX} -std=c++20 -O2 -I${CMAKE_SOURCE_DIR} -o ${out} ${abs}
      DEPENDS ${abs} ${tool_headers}
      COMMENT "Building build-machine tool ${name}")
    add_custom_target(${name} DEPENDS ${out})
    set(${name}_EXE ${out} PARENT_SCOPE)
  endif()
endfunction()
