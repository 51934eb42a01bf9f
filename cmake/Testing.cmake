# vl_add_test(<name> SOURCES ... [LIBS ...] [KIND gtest|gtest-qt|qtest]
#             [LAB] [TIMEOUT seconds] [LABELS ...])
#
# KIND gtest     GoogleTest with its own main (the default).
# KIND gtest-qt  GoogleTest with a QApplication made before the tests run.
# KIND qtest     QtTest; the sources bring QTEST_MAIN.
# LAB            the test runs inside the network lab: its process lives in
#                the "pc" namespace, and $VL_LAB_LAN names the "lan" one
#                (see tests/lab/lab). Never sends on the host's own
#                interfaces.
# Every test runs with QT_QPA_PLATFORM=offscreen.
enable_testing()

set(VL_LAB ${CMAKE_SOURCE_DIR}/tests/lab/lab)

# The environment of every test: Qt without a screen, where the build and the
# sources are, and the sanitizers' settings (with their suppression files).
set(VL_TEST_ENVIRONMENT
    "QT_QPA_PLATFORM=offscreen"
    "VL_BUILD_BIN=${CMAKE_BINARY_DIR}/bin"
    "VL_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0"
    "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    "TSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/tsan.supp:halt_on_error=1:second_deadlock_stack=1")
if(VL_TSAN)
    # Qt's glib event dispatcher runs glib's own locking, which the thread
    # checker cannot see; Qt's own dispatcher behaves the same for the tests.
    list(APPEND VL_TEST_ENVIRONMENT "QT_NO_GLIB=1")
endif()

function(vl_add_test name)
    cmake_parse_arguments(T "LAB" "KIND;TIMEOUT" "SOURCES;LIBS;LABELS;ARGS" ${ARGN})
    if(NOT T_KIND)
        set(T_KIND gtest)
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    add_executable(${name} ${T_SOURCES})
    set_target_properties(${name} PROPERTIES
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin
        BUILD_RPATH "${CMAKE_BINARY_DIR}/bin"
        AUTOMOC ON)
    target_link_libraries(${name} PRIVATE ${T_LIBS} vl_test_support)
    if(T_KIND STREQUAL "gtest")
        target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock GTest::gtest_main)
    elseif(T_KIND STREQUAL "gtest-qt")
        target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock vl_gtest_qt_main)
    elseif(T_KIND STREQUAL "qtest")
        target_link_libraries(${name} PRIVATE Qt5::Test Qt5::Widgets)
    else()
        message(FATAL_ERROR "vl_add_test: unknown KIND ${T_KIND}")
    endif()
    if(T_LAB)
        add_test(NAME ${name} COMMAND ${VL_LAB} run -- $<TARGET_FILE:${name}> ${T_ARGS})
        set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED vl_lab)
        list(APPEND T_LABELS lab)
    else()
        add_test(NAME ${name} COMMAND ${name} ${T_ARGS})
    endif()
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        LABELS "${T_LABELS}"
        ENVIRONMENT "${VL_TEST_ENVIRONMENT}")
endfunction()
