# Read by cpack once per generator: the archive takes only the portable layout; the
# Debian package takes the installed one (every rule outside that component).
if(CPACK_VTR_LOCK_ESCAPABLE)
    message(FATAL_ERROR "This build has VTR_LOCK_ESCAPABLE=ON (a lock that takes no grab); "
                        "configure with -DVTR_LOCK_ESCAPABLE=OFF to package it.")
endif()
if(CPACK_GENERATOR STREQUAL "TGZ")
    set(CPACK_COMPONENTS_ALL portable)
    set(CPACK_PACKAGING_INSTALL_PREFIX /)
    # Unpacks into one folder named like the archive.
    set(CPACK_PACKAGE_FILE_NAME ${CPACK_ARCHIVE_FILE_NAME})
endif()
