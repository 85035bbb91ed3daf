# Registry and file utilities of both programs, part of the common runtime.
target_sources(qlx_common PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/RegUtil.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileUtil.cpp)

# File utilities that only the installer carries.
add_library(qlx_installer_files STATIC
    ${CMAKE_CURRENT_LIST_DIR}/InstallerFileUtil.cpp)
target_include_directories(qlx_installer_files PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(qlx_installer_files PUBLIC qlx_common advapi32)
qlx_warnings(qlx_installer_files)
