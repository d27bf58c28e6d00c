# parvane_add_gtest(NAME SOURCES...): one GoogleTest executable per area, discovered by CTest.
function(parvane_add_gtest name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE parvane_core GTest::gtest GTest::gmock GTest::gtest_main)
    target_compile_options(${name} PRIVATE ${PARVANE_WARNINGS})
    target_compile_definitions(${name} PRIVATE
        PARVANE_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
        PARVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
        PARVANE_BINARY_DIR="${CMAKE_BINARY_DIR}")
    add_dependencies(${name} parvane_support)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "PARVANE_DATA_DIR=${CMAKE_BINARY_DIR}/support;HOME=${CMAKE_BINARY_DIR}/test-home;XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-home/.config")
endfunction()

# parvane_add_qtest(NAME SOURCES...): one Qt Test executable, run on the offscreen platform.
function(parvane_add_qtest name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE parvane_gui Qt6::Test)
    target_compile_options(${name} PRIVATE ${PARVANE_WARNINGS})
    target_compile_definitions(${name} PRIVATE
        PARVANE_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
        PARVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
        PARVANE_BINARY_DIR="${CMAKE_BINARY_DIR}")
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        TIMEOUT 600
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QTWEBENGINE_DISABLE_SANDBOX=1;QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu --no-sandbox;PARVANE_DATA_DIR=${CMAKE_BINARY_DIR}/support;HOME=${CMAKE_BINARY_DIR}/test-home;XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-home/.config")
endfunction()
