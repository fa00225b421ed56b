# Helpers shared by the source, test, benchmark and fuzz folders.

set(BX_LIBRARIES "" CACHE INTERNAL "")

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

# bx_library(name folder deps...): a static library of every source in the folder.
function(bx_library name folder)
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
    target_compile_options(${name} PRIVATE -Wall -Wextra)
    set(BX_LIBRARIES ${name} ${BX_LIBRARIES} CACHE INTERNAL "")
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
