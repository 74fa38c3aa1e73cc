# Run after trivex.exe is linked (cmake -P):
#   -DEXE=<trivex.exe> -DPAYLOADS=<folder of the generated payloads> -DLIMIT=<bytes>
# Prints the payload table and how much of the program is not payload: code,
# data, resources and headers, that is the file's size less every payload
# record (u32 1, u32 length, the bytes). More than LIMIT bytes fails the
# build and removes the program, so that the next build links and checks it
# again.
file(SIZE "${EXE}" exe_bytes)
file(GLOB bins "${PAYLOADS}/*.bin")
set(payload_bytes 0)
set(records 0)
foreach(bin IN LISTS bins)
  file(SIZE "${bin}" size)
  math(EXPR payload_bytes "${payload_bytes} + 8 + ${size}")
  math(EXPR records "${records} + 1")
endforeach()
math(EXPR code_bytes "${exe_bytes} - ${payload_bytes}")
math(EXPR code_kb "(${code_bytes} + 1023) / 1024")
math(EXPR limit_kb "${LIMIT} / 1024")
get_filename_component(exe_name "${EXE}" NAME)

file(READ "${PAYLOADS}/payloads.txt" table)
string(STRIP "${table}" table)
message("${table}\n"
        "  ${exe_name}: ${exe_bytes} bytes, of which ${payload_bytes} in ${records} payload records "
        "and ${code_bytes} (${code_kb} KB) beside them: code, data and resources (at most ${limit_kb} KB)")
if(code_bytes GREATER LIMIT)
  file(REMOVE "${EXE}")
  message(FATAL_ERROR "${exe_name} holds ${code_bytes} bytes beside its payloads, more than ${LIMIT}")
endif()
