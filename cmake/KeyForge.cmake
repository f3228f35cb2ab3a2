# Shared build settings: warnings, sanitizers and the test helper.

option(KF_WERROR "Treat compiler warnings as errors" ON)
set(KF_SANITIZE "" CACHE STRING "Sanitizers to build with: address,undefined or thread (empty for none)")

add_library(kf_warnings INTERFACE)
target_compile_options(kf_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                       -Woverloaded-virtual -Wformat=2)
if(KF_WERROR)
  target_compile_options(kf_warnings INTERFACE -Werror)
endif()

if(KF_SANITIZE)
  add_compile_options(-fsanitize=${KF_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${KF_SANITIZE})
endif()

# Fuzzing: every object is instrumented for coverage; the fuzz targets link libFuzzer.
if(KF_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Tests that must also pass under a sanitizer join this target; the sanitizer
# builds (make test) build only it and run the tests labelled "sanitize".
add_custom_target(kf_sanitize_tests)

# kf_add_test(NAME SOURCES a.cpp b.cpp LIBS lib... [SANITIZE] [LABELS l...] [ENV VAR=value...])
# One GoogleTest executable whose cases CTest lists one by one.
function(kf_add_test name)
  cmake_parse_arguments(T "SANITIZE" "" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} kf_test_support GTest::gtest GTest::gmock GTest::gtest_main kf_warnings)
  set(labels ${T_LABELS})
  if(T_SANITIZE)
    list(APPEND labels sanitize)
    add_dependencies(kf_sanitize_tests ${name})
  endif()
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${KF_BIN_DIR}
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300)
  # Labels and environment are lists, which do not survive the discovery step's command
  # line (two labels would become two properties); a file CTest includes after the
  # discovered tests sets them on every case of the executable instead.
  if(labels OR T_ENV)
    set(properties_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake)
    file(WRITE ${properties_file}
         "foreach(kf_test IN LISTS ${name}_TESTS)\n"
         "  set_tests_properties(\"\${kf_test}\" PROPERTIES LABELS [==[${labels}]==] ENVIRONMENT [==[${T_ENV}]==])\n"
         "endforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${properties_file})
  endif()
endfunction()
