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
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${name})
    set(abs)
    foreach(s ${srcs})
      get_filename_component(a ${s} ABSOLUTE)
      list(APPEND abs ${a})
    endforeach()
    add_custom_command(OUTPUT ${out}
      COMMAND ${TRIVEX_HOST_CXX} -std=c++20 -O2 -I${CMAKE_SOURCE_DIR} -o ${out} ${abs}
      DEPENDS ${abs}
      COMMENT "Building build-machine tool ${name}")
    add_custom_target(${name} DEPENDS ${out})
    set(${name}_EXE ${out} PARENT_SCOPE)
  endif()
endfunction()
