# Read by CPack for each generator: movikon-<version>-windows-x64.zip, movikon-<version>-setup.exe.
if(CPACK_GENERATOR STREQUAL "ZIP")
    set(CPACK_PACKAGE_FILE_NAME "movikon-${CPACK_PACKAGE_VERSION}-windows-x64")
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
    set(CPACK_PACKAGE_FILE_NAME "movikon-${CPACK_PACKAGE_VERSION}-setup")
endif()
