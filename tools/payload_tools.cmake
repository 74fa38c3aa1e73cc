# The payload build tools: the DOS boot image builder, the loader patcher
# and the embedder that gathers every payload. Their paths are published as
# cache variables for payloads/ (TRIVEX_MKIMAGE_EXE, TRIVEX_PATCHLDR_EXE,
# TRIVEX_EMBED_EXE). In the host build their shared code is also a library,
# for the tools' own tests.
set(TRIVEX_PAYLOAD_TOOL_SRC
  ${CMAKE_CURRENT_LIST_DIR}/payload/bytes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/payload/fat12.cpp
  ${CMAKE_CURRENT_LIST_DIR}/payload/dos_image.cpp
  ${CMAKE_CURRENT_LIST_DIR}/payload/loader_patch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/payload/gbk.cpp
  ${CMAKE_CURRENT_LIST_DIR}/payload/handoff_text.cpp)

trivex_host_tool(trivex_mkimage ${CMAKE_CURRENT_LIST_DIR}/mkimage.cpp ${TRIVEX_PAYLOAD_TOOL_SRC})
trivex_host_tool(trivex_patchldr ${CMAKE_CURRENT_LIST_DIR}/patchldr.cpp ${TRIVEX_PAYLOAD_TOOL_SRC})
trivex_host_tool(trivex_embed ${CMAKE_CURRENT_LIST_DIR}/embed.cpp ${TRIVEX_PAYLOAD_TOOL_SRC})
set(TRIVEX_MKIMAGE_EXE ${trivex_mkimage_EXE} CACHE INTERNAL "DOS boot image builder")
set(TRIVEX_PATCHLDR_EXE ${trivex_patchldr_EXE} CACHE INTERNAL "loader patcher")
set(TRIVEX_EMBED_EXE ${trivex_embed_EXE} CACHE INTERNAL "payload embedder")

if(NOT TRIVEX_WIN32)
  add_library(trivex_payload_toolkit STATIC ${TRIVEX_PAYLOAD_TOOL_SRC})
  target_include_directories(trivex_payload_toolkit PUBLIC ${CMAKE_CURRENT_LIST_DIR})
endif()
