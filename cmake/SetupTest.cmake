# setup_add_test(NAME SOURCES src... LIBS lib... [LABELS label...] [LAB] [GUI])
# Adds one GoogleTest executable and registers it with CTest. GUI tests get a
# main() that creates the QApplication; widgets run on the offscreen platform.
# LAB tests run inside the namespace lab (scripts/lab).
function(setup_add_test name)
    cmake_parse_arguments(T "LAB;GUI" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    if(T_GUI)
        target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common/guimain.cpp)
        target_link_libraries(${name} PRIVATE Qt6::Widgets Qt6::Test)
    else()
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    target_link_libraries(${name} PRIVATE setup_options GTest::gtest ${T_LIBS})
    if(T_LAB)
        add_test(NAME ${name}
            COMMAND ${PROJECT_SOURCE_DIR}/scripts/lab run $<TARGET_FILE:${name}>)
        list(APPEND T_LABELS lab)
        # One lab exists at a time; other tests run beside it.
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK swp_lab)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SETUP_SOURCE_DIR=${PROJECT_SOURCE_DIR};SETUP_BINARY_DIR=${PROJECT_BINARY_DIR};SWP_DEVSIM=$<TARGET_FILE:devsim>"
        TIMEOUT ${T_TIMEOUT}
        LABELS "${T_LABELS}")
endfunction()
