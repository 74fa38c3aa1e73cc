# Discovery under Wine (included from tests/wine/CMakeLists.txt, cross build):
#  - stand-ins for the two tools the probe script calls: diskpart.exe (the
#    Simplified Chinese edition's answers, in GBK) and findstr.exe (Wine's own
#    prints nothing for the script's patterns);
#  - discovery_tool.exe: runs the probe and the plain folder walk on the real
#    platform, and reads and clicks the running program's main window;
#  - discovery_wine: the probe through Wine's command interpreter and a real
#    pipe, the drive list with folders, a full drive and a 3 TiB drive, the
#    search and the details on real folder trees, stop (also by a second
#    click while the button still reads 搜索), an image that is gone.
set(TRIVEX_DISCOVERY_STANDINS ${CMAKE_CURRENT_BINARY_DIR}/discovery_standins)
foreach(tool diskpart findstr)
  add_executable(standin_${tool} ${CMAKE_CURRENT_SOURCE_DIR}/discovery_standins/${tool}.cpp)
  set_target_properties(standin_${tool} PROPERTIES OUTPUT_NAME ${tool}
    RUNTIME_OUTPUT_DIRECTORY ${TRIVEX_DISCOVERY_STANDINS})
endforeach()

add_executable(discovery_tool ${CMAKE_CURRENT_SOURCE_DIR}/discovery_tool.cpp)
target_link_libraries(discovery_tool PRIVATE trivex_discovery trivex_win32_machine trivex_inspect_core trivex_ui)

if(TARGET trivex)
  trivex_wine_test(discovery_wine 900 RESOURCE_LOCK wine_prefix
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/discovery_test.sh
            $<TARGET_FILE:trivex> $<TARGET_FILE:discovery_tool> ${TRIVEX_DISCOVERY_STANDINS}
            ${CMAKE_SOURCE_DIR}/payloads/probe/fqs.bat ${CMAKE_BINARY_DIR}/screenshots)
  add_dependencies(discovery_tool standin_diskpart standin_findstr)
endif()

# The search benchmark's Windows side is built here, with the Wine tests.
include(${CMAKE_SOURCE_DIR}/bench/search_bench.cmake)
