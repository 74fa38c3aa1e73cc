# trivex_fuzz_target(<name> SOURCES <files...> [SEEDS <files...>] [DEPENDS <targets...>] [MAX_LEN <bytes>])
#
# A reader of what others write under libFuzzer: tests/fuzz/<name>_fuzz.cpp
# and the product sources it reads with, built with clang (the host
# compiler may be GCC) with the address and undefined-behaviour sanitizers.
# Sections no path of the target reaches are dropped at the link (lld drops
# them with their coverage tables, which GNU ld keeps), so a source may bring
# functions that need more of the program than the target links. Registers:
#  - the test <name>_fuzz: the target run once over each stored input
#    (tests/fuzz/run_fuzz.sh): tests/fuzz/<name>/regressions (inputs it once
#    failed on), tests/fuzz/<name>/corpus (inputs that reach its edges) and
#    the SEEDS the build makes;
#  - the target <name>_fuzz_bench: fuzzing for new inputs from those for
#    TRIVEX_FUZZ_BENCH_SECONDS (bench/fuzz_bench.sh; --keep keeps them).
set(TRIVEX_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})
# A target is built again when any header of the rooms it reads from changes.
file(GLOB_RECURSE TRIVEX_FUZZ_HEADERS CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/platform/*.h ${CMAKE_SOURCE_DIR}/payloads/*.h ${CMAKE_SOURCE_DIR}/job/*.h
  ${CMAKE_SOURCE_DIR}/discovery/*.h ${CMAKE_SOURCE_DIR}/modload/*.h ${CMAKE_SOURCE_DIR}/tests/modload/*.h)
set(TRIVEX_FUZZ_BENCH_SECONDS 120 CACHE STRING "Seconds of fuzzing in the targets <name>_fuzz_bench")

function(trivex_fuzz_target name)
  cmake_parse_arguments(F "" "MAX_LEN" "SOURCES;SEEDS;DEPENDS" ${ARGN})
  find_program(TRIVEX_CLANGXX NAMES clang++-14 clang++)
  find_program(TRIVEX_LLD NAMES ld.lld-14 ld.lld)
  if(NOT TRIVEX_CLANGXX)
    trivex_missing_tool(clang++ "the fuzz test ${name}_fuzz is left out")
    return()
  endif()
  if(NOT TRIVEX_LLD)
    trivex_missing_tool(ld.lld "the fuzz test ${name}_fuzz is left out")
    return()
  endif()
  if(NOT F_MAX_LEN)
    set(F_MAX_LEN 32768)
  endif()
  set(out ${CMAKE_BINARY_DIR}/tests/fuzz/${name}_fuzzer)
  set(srcs ${TRIVEX_FUZZ_DIR}/${name}_fuzz.cpp)
  foreach(s ${F_SOURCES})
    if(IS_ABSOLUTE ${s})
      list(APPEND srcs ${s})
    else()
      list(APPEND srcs ${CMAKE_SOURCE_DIR}/${s})
    endif()
  endforeach()
  add_custom_command(OUTPUT ${out}
    COMMAND ${TRIVEX_CLANGXX} -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
            -ffunction-sections -fdata-sections --ld-path=${TRIVEX_LLD} -Wl,--gc-sections
            -I${CMAKE_SOURCE_DIR} -o ${out} ${srcs}
    DEPENDS ${srcs} ${TRIVEX_FUZZ_HEADERS}
    COMMENT "Building the fuzz target ${name} with clang"
    VERBATIM)
  add_custom_target(${name}_fuzz ALL DEPENDS ${out})
  if(F_DEPENDS)
    add_dependencies(${name}_fuzz ${F_DEPENDS})
  endif()
  set(stored ${TRIVEX_FUZZ_DIR}/${name})
  add_test(NAME ${name}_fuzz
    COMMAND bash ${TRIVEX_FUZZ_DIR}/run_fuzz.sh ${out} ${stored}/regressions ${stored}/corpus --max-len=${F_MAX_LEN}
            ${F_SEEDS})
  set_tests_properties(${name}_fuzz PROPERTIES TIMEOUT 600)
  add_custom_target(${name}_fuzz_bench
    COMMAND bash ${CMAKE_SOURCE_DIR}/bench/fuzz_bench.sh ${out} ${stored}/corpus ${stored}/regressions
            ${TRIVEX_FUZZ_BENCH_SECONDS} --max-len=${F_MAX_LEN} ${F_SEEDS}
    DEPENDS ${out}
    USES_TERMINAL
    VERBATIM)
  add_dependencies(${name}_fuzz_bench ${name}_fuzz)
endfunction()
