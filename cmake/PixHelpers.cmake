# Project-wide compile flags and small helpers that keep each folder's
# CMakeLists.txt a few lines long.

add_library(pix_flags INTERFACE)
target_compile_options(pix_flags INTERFACE -Wall -Wextra -Wno-missing-field-initializers
    $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>)
if(PIX_WERROR)
    target_compile_options(pix_flags INTERFACE -Werror)
endif()
if(PIX_SANITIZE)
    target_compile_options(pix_flags INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(pix_flags INTERFACE -fsanitize=address,undefined)
endif()
if(PIX_TSAN)
    target_compile_options(pix_flags INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(pix_flags INTERFACE -fsanitize=thread)
endif()
if(PIX_FUZZ)
    target_compile_options(pix_flags INTERFACE -fsanitize=fuzzer-no-link)
endif()

# pix_add_library(NAME SOURCES a.cpp b.cpp DEPS x y [PRIVATE_DEPS z] [QT_AUTOMOC])
function(pix_add_library name)
    cmake_parse_arguments(ARG "QT_AUTOMOC" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC pix_flags ${ARG_DEPS})
    if(ARG_PRIVATE_DEPS)
        target_link_libraries(${name} PRIVATE ${ARG_PRIVATE_DEPS})
    endif()
    if(ARG_QT_AUTOMOC)
        set_target_properties(${name} PROPERTIES AUTOMOC ON)
    endif()
endfunction()

# pix_add_test(NAME SOURCES a.cpp DEPS lib [QT_GUI])
# One GoogleTest executable per library, registered with CTest. QT_GUI tests
# run on the offscreen platform.
function(pix_add_test name)
    cmake_parse_arguments(ARG "QT_GUI" "" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE pix_flags pix_test_support ${ARG_DEPS} GTest::gtest)
    # GCC 12 at -O2 warns about overlapping copies inside std::string's
    # operator+ (a libstdc++ false positive, fixed in GCC 13).
    target_compile_options(${name} PRIVATE
        $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-restrict>)
    add_test(NAME ${name} COMMAND ${name})
    set(env "ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1" "UBSAN_OPTIONS=print_stacktrace=1"
            "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp"
            "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp:halt_on_error=1:second_deadlock_stack=1:die_after_fork=0")
    if(ARG_QT_GUI)
        list(APPEND env "QT_QPA_PLATFORM=offscreen")
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 900)
    set(PIX_TEST_ENV "${env}" PARENT_SCOPE)
endfunction()

# pix_add_tsan_test(NAME TARGET GTEST_FILTER): in ThreadSanitizer builds,
# runs the matching tests of TARGET (already added) under the label tsan,
# which `make tsan` runs.
function(pix_add_tsan_test name target filter)
    if(PIX_TSAN)
        add_test(NAME ${name} COMMAND ${target} --gtest_filter=${filter})
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "${PIX_TEST_ENV}" TIMEOUT 900 LABELS tsan)
    endif()
endfunction()
