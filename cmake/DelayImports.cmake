# The system libraries the programs call that are not among Windows' known DLLs on every version
# they support. Bound at load time, Windows would look for them beside the program first, so a
# copy planted in the package folder (or beside the uninstaller) would run inside an elevated
# process. The programs link them as delayed imports instead: nothing is resolved before WinMain,
# which restricts the DLL search and loads them from the system directory by full path.
#
# qlx_system_libs: what every library of ours links for them. It resolves to the delay-import
# libraries for a target whose QLX_DELAY_IMPORTS property is ON (the two programs) and to the
# ordinary import libraries for everything else (the tests patch ordinary import slots).
include_guard(GLOBAL)

set(QLX_DELAY_IMPORT_NAMES winspool setupapi shlwapi)
set(_qlx_delay_dll_winspool "WINSPOOL.DRV")
set(_qlx_delay_dll_setupapi "SETUPAPI.dll")
set(_qlx_delay_dll_shlwapi "SHLWAPI.dll")

set(_qlx_delay_dir "${CMAKE_BINARY_DIR}/delay-imports")
file(MAKE_DIRECTORY "${_qlx_delay_dir}")

foreach(_name IN LISTS QLX_DELAY_IMPORT_NAMES)
    find_library(_qlx_import_${_name} NAMES lib${_name}.a REQUIRED NO_CACHE)
    # The exports come from the toolchain's own import library; on i686 the stdcall names keep
    # their "@n" in the .def and dlltool -k drops it from the names looked up in the DLL.
    execute_process(COMMAND "${CMAKE_NM}" -g --defined-only "${_qlx_import_${_name}}"
        OUTPUT_VARIABLE _symbols RESULT_VARIABLE _rc)
    if(NOT _rc EQUAL 0)
        message(FATAL_ERROR "cannot list the exports of ${_qlx_import_${_name}}")
    endif()
    string(REGEX MATCHALL "[0-9a-fA-F]+ T [^\n]+" _lines "${_symbols}")
    set(_def "LIBRARY \"${_qlx_delay_dll_${_name}}\"\nEXPORTS\n")
    foreach(_line IN LISTS _lines)
        string(REGEX REPLACE "^[0-9a-fA-F]+ T " "" _symbol "${_line}")
        if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
            string(REGEX REPLACE "^_" "" _symbol "${_symbol}")
        endif()
        string(APPEND _def "    ${_symbol}\n")
    endforeach()
    set(_def_file "${_qlx_delay_dir}/${_name}.def")
    set(_lib_file "${_qlx_delay_dir}/lib${_name}_delay.a")
    file(WRITE "${_def_file}" "${_def}")
    execute_process(COMMAND "${CMAKE_DLLTOOL}" -k --output-delaylib "${_lib_file}" --def "${_def_file}"
        RESULT_VARIABLE _rc)
    if(NOT _rc EQUAL 0)
        message(FATAL_ERROR "dlltool could not make ${_lib_file}")
    endif()
    add_library(qlx_delay_${_name} STATIC IMPORTED GLOBAL)
    set_target_properties(qlx_delay_${_name} PROPERTIES IMPORTED_LOCATION "${_lib_file}")
    list(APPEND _qlx_system_libs "$<IF:$<BOOL:$<TARGET_PROPERTY:QLX_DELAY_IMPORTS>>,qlx_delay_${_name},${_name}>")
endforeach()

add_library(qlx_system_libs INTERFACE)
target_link_libraries(qlx_system_libs INTERFACE ${_qlx_system_libs})
# setupapi.h and shlwapi.h declare their functions dllimport, so calls go through __imp_ slots
# alone. ld then drops a delay-import member's jump stub, and on i686 the slot, which starts out
# pointing at that stub, stays 0: the first call jumps to address 0. Declared as plain functions
# (the headers' own switch for this), every call goes through the stub, which is always kept.
target_compile_definitions(qlx_system_libs INTERFACE _SETUPAPI_ _SHLWAPI_)

# Marks a program target: its system libraries above are delayed imports.
function(qlx_delay_imports target)
    set_target_properties(${target} PROPERTIES QLX_DELAY_IMPORTS ON)
endfunction()
