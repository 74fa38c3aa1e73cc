# The image search benchmark (cross build): a Windows program run under Wine
# by bench/search_bench.sh, which builds the folder tree and times host find.
add_executable(search_bench ${CMAKE_SOURCE_DIR}/bench/search_bench.cpp)
target_link_libraries(search_bench PRIVATE trivex_app trivex_win32_machine trivex_win32_toolkit)
set_target_properties(search_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)

# The whole-write benchmark (cross build): the program's job preparation on
# the real machine under Wine, by bench/prepare_bench.sh.
add_executable(prepare_bench ${CMAKE_SOURCE_DIR}/bench/prepare_bench.cpp)
target_link_libraries(prepare_bench PRIVATE trivex_job trivex_ui trivex_win32_machine)
set_target_properties(prepare_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
