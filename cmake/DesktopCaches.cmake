# Refreshes the desktop's MIME and application caches, so that the notes-file type and the
# desktop entry are known (or forgotten) without logging in again. A missing tool is skipped.
# Run by the install, it acts on a direct install only: under DESTDIR the files are a package's
# contents, and caches generated there would ship in it and clash with the system's own. Run by
# the uninstall (BX_PREFIX set), it rebuilds only caches that are there already, so that an
# uninstall leaves behind no cache the install never made.
if(DEFINED BX_PREFIX)
    set(existing_only ON)
else()
    if(NOT "$ENV{DESTDIR}" STREQUAL "")
        return()
    endif()
    set(BX_PREFIX "${CMAKE_INSTALL_PREFIX}")
    set(existing_only OFF)
endif()
foreach(step "update-mime-database;share/mime;mime.cache"
        "update-desktop-database;share/applications;mimeinfo.cache")
    list(GET step 0 tool)
    list(GET step 1 folder)
    list(GET step 2 cache)
    if(existing_only AND NOT EXISTS "${BX_PREFIX}/${folder}/${cache}")
        continue()
    endif()
    find_program(found ${tool})
    if(found AND IS_DIRECTORY "${BX_PREFIX}/${folder}")
        execute_process(COMMAND ${found} "${BX_PREFIX}/${folder}")
    endif()
    unset(found CACHE)
endforeach()
