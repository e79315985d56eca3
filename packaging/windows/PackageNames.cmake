# The packages' names for a version: movikon-<version>-windows-x64.zip and movikon-<version>-setup.exe. Read by
# CPack for each generator and by the build, which tells them to the installer test and scripts/windows.sh.
macro(movikon_package_names version)
    set(MOVIKON_ZIP_NAME "movikon-${version}-windows-x64")
    set(MOVIKON_SETUP_NAME "movikon-${version}-setup")
endmacro()

if(CPACK_GENERATOR)
    movikon_package_names(${CPACK_PACKAGE_VERSION})
    if(CPACK_GENERATOR STREQUAL "ZIP")
        set(CPACK_PACKAGE_FILE_NAME ${MOVIKON_ZIP_NAME})
        set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
    else()
        set(CPACK_PACKAGE_FILE_NAME ${MOVIKON_SETUP_NAME})
    endif()
endif()
