# Helpers shared by the source, test, benchmark and fuzz folders.

set(BX_LIBRARIES "" CACHE INTERNAL "")
set(BX_WARNINGS -Wall -Wextra)

# Keeps only the names that are targets by now or are not ours (system libraries, Qt),
# so a layer whose folder has no code yet simply drops out of the link line.
function(bx_existing out)
    set(result)
    foreach(dep IN LISTS ARGN)
        if(TARGET ${dep} OR NOT dep MATCHES "^(platform_|markdown$|ui$|document$|lists$|mainwindow$|app$)")
            list(APPEND result ${dep})
        endif()
    endforeach()
    set(${out} ${result} PARENT_SCOPE)
endfunction()

# bx_static_library(name folder deps...): a static library of every source in the folder.
function(bx_static_library name folder)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS
        ${CMAKE_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/${folder}/*.h
        ${CMAKE_SOURCE_DIR}/${folder}/*.qrc)
    list(FILTER sources EXCLUDE REGEX "/src/app/main\\.cpp$")
    set(cpp ${sources})
    list(FILTER cpp INCLUDE REGEX "\\.cpp$")
    if(NOT cpp)
        return()
    endif()
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    bx_existing(deps ${ARGN})
    target_link_libraries(${name} PUBLIC ${deps})
    target_compile_options(${name} PRIVATE ${BX_WARNINGS})
endfunction()

# bx_library(name folder deps...): one of the application's libraries, linked by the executable.
function(bx_library name folder)
    bx_static_library(${name} ${folder} ${ARGN})
    if(TARGET ${name})
        set(BX_LIBRARIES ${name} ${BX_LIBRARIES} CACHE INTERNAL "")
    endif()
endfunction()

# bx_require_widget_free(targets...): fails the configuration when one of the targets links
# Qt Widgets, directly or through another library of ours.
function(bx_require_widget_free)
    foreach(target IN LISTS ARGN)
        if(NOT TARGET ${target})
            continue()
        endif()
        set(pending ${target})
        set(seen)
        while(pending)
            list(POP_FRONT pending current)
            if(current IN_LIST seen OR NOT TARGET ${current})
                continue()
            endif()
            list(APPEND seen ${current})
            if(current STREQUAL "Qt6::Widgets")
                message(FATAL_ERROR "${target} must not link Qt Widgets")
            endif()
            get_target_property(links ${current} INTERFACE_LINK_LIBRARIES)
            if(links)
                list(APPEND pending ${links})
            endif()
        endwhile()
    endforeach()
endfunction()

# bx_test(folder libs...): one GoogleTest executable for tests/<folder>, registered with CTest.
function(bx_test folder)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS
        ${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/tests/${folder}/*.h
        ${CMAKE_SOURCE_DIR}/tests/${folder}/*.qrc)
    set(cpp ${sources})
    list(FILTER cpp INCLUDE REGEX "\\.cpp$")
    if(NOT cpp)
        return()
    endif()
    string(REPLACE "/" "_" name "test_${folder}")
    add_executable(${name} ${sources})
    bx_existing(deps ${ARGN})
    target_link_libraries(${name} PRIVATE bx_test_support ${deps})
    target_compile_definitions(${name} PRIVATE
        BX_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/${folder}/data")
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
