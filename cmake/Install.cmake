# `make install`: the program, its desktop entry, its AppStream description, the notes-file type
# and the icons at every size desktops ask for; then the desktop's caches (see DesktopCaches).

install(TARGETS brindlex RUNTIME DESTINATION bin)
install(FILES resources/app/brindlex.desktop DESTINATION share/applications)
install(FILES resources/app/brindlex.metainfo.xml DESTINATION share/metainfo
    RENAME app.brindlex.Brindlex.metainfo.xml)
install(FILES resources/app/brindlex-mime.xml DESTINATION share/mime/packages RENAME brindlex.xml)

# The 128-pixel picture is the one the windows show; the other sizes are drawn from the same SVG.
foreach(size 16 22 24 32 48 64 128 256 512)
    set(picture resources/app/icons/brindlex-${size}.png)
    if(size EQUAL 128)
        set(picture resources/app/brindlex.png)
    endif()
    install(FILES ${picture} DESTINATION share/icons/hicolor/${size}x${size}/apps
        RENAME brindlex.png)
    install(FILES ${picture} DESTINATION share/icons/hicolor/${size}x${size}/mimetypes
        RENAME application-x-brindlex-notes.png)
endforeach()
install(FILES resources/app/brindlex.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES resources/app/brindlex.svg DESTINATION share/icons/hicolor/scalable/mimetypes
    RENAME application-x-brindlex-notes.svg)

install(SCRIPT cmake/DesktopCaches.cmake)
