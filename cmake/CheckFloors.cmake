cmake_minimum_required(VERSION 3.25)
# Run as `cmake -DSOURCE_DIR=<root> -P CheckFloors.cmake`: fails when a source folder includes a
# folder above its floor. Floors, lowest first:
#   platform (foundation < predicate < data, text < controllers, documents) < markdown
#   < document < ui < lists < mainwindow < app
# with platform/appkit (widgets) usable from ui upwards only, and platform/testing from no
# shipped code at all; the doubles in platform/testing stand in for platform facilities only, so
# they see no floor above platform (doubles of higher floors live in tests/support). The Markdown views (markdown/textviews, markdown/webview) are libraries of
# their own above document: they may use platform/appkit and markdown, and nothing includes them.
# The model floors also never name a Qt Widgets header.
set(model platform/foundation platform/predicate platform/data platform/text)
set(rooms platform/controllers platform/documents)
set(allowed_platform/foundation platform/foundation)
set(allowed_platform/predicate platform/foundation platform/predicate)
set(allowed_platform/data platform/foundation platform/predicate platform/data)
set(allowed_platform/text platform/foundation platform/predicate platform/text)
set(allowed_platform/controllers ${model} ${rooms})
set(allowed_platform/documents ${model} ${rooms})
set(allowed_platform/appkit ${model} ${rooms} platform/appkit)
set(allowed_platform/testing ${model} ${rooms} platform/appkit platform/testing)
set(allowed_markdown ${model} markdown)
set(allowed_document ${model} ${rooms} markdown document)
set(allowed_ui ${allowed_document} platform/appkit ui)
set(allowed_lists ${allowed_ui} lists)
set(allowed_mainwindow ${allowed_lists} mainwindow)
set(allowed_app ${allowed_mainwindow} app)
set(views markdown/textviews markdown/webview)
foreach(view IN LISTS views)
    set(allowed_${view} ${allowed_document} platform/appkit ${view})
endforeach()
set(widget_free platform/foundation platform/predicate platform/data platform/text
    platform/controllers platform/documents markdown document)

set(failures "")
foreach(folder platform/foundation platform/predicate platform/data platform/text
        platform/controllers platform/documents platform/appkit platform/testing markdown ${views}
        document ui lists mainwindow app)
    file(GLOB_RECURSE files ${SOURCE_DIR}/src/${folder}/*.cpp ${SOURCE_DIR}/src/${folder}/*.h)
    foreach(view IN LISTS views)
        if(NOT folder STREQUAL view)
            list(FILTER files EXCLUDE REGEX "^${SOURCE_DIR}/src/${view}/")
        endif()
    endforeach()
    foreach(file IN LISTS files)
        file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include")
        foreach(line IN LISTS includes)
            if(line MATCHES "\"((platform/[a-z]+)|(markdown/(textviews|webview))|([a-z]+))/[^\"]*\"")
                set(target ${CMAKE_MATCH_1})
                if(NOT target IN_LIST allowed_${folder})
                    string(APPEND failures "\n  ${file}: ${line}")
                endif()
            endif()
            if(folder IN_LIST widget_free AND line MATCHES "QtWidgets|<Q(Widget|Dialog|Application)>")
                string(APPEND failures "\n  ${file}: ${line}")
            endif()
        endforeach()
    endforeach()
endforeach()
if(failures)
    message(FATAL_ERROR "Includes that point up a floor:${failures}")
endif()
