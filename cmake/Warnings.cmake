# Warning set shared by every target of ours; QLX_WERROR turns them into errors (CI does).
option(QLX_WERROR "Treat compiler warnings as errors" OFF)

function(qlx_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wformat=2 -Wno-format-nonliteral
        $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>)
    if(QLX_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# Programs we ship import only Windows system DLLs: the C and C++ runtimes go in statically.
# The linker drops the runtime's sections nothing refers to, which keeps the programs small.
function(qlx_static_runtime target)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--gc-sections)
endfunction()
