# Helpers shared by the subsystem CMake files.

# A Qt Test executable run headless by CTest from its own scratch folder.
function(qtx_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} Qt6::Test qtx_test_support)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QTX_INSTANCE_NAME=qtx-test-${name};ASAN_OPTIONS=detect_leaks=0"
    TIMEOUT 600)
endfunction()

# A fuzz target: libFuzzer with clang, otherwise the standalone driver.
# A short run is registered as a test either way.
function(qtx_add_fuzzer name)
  cmake_parse_arguments(F "" "SECONDS" "SOURCES;LIBS" ${ARGN})
  if(NOT F_SECONDS)
    set(F_SECONDS 20)
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  if(QTX_LIBFUZZER)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    # libFuzzer writes new inputs into its first folder: keep that one in the build tree.
    file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/corpus_work/${name})
    add_test(NAME ${name}_short COMMAND ${name} -max_total_time=${F_SECONDS} -seed=1
             ${CMAKE_CURRENT_BINARY_DIR}/corpus_work/${name} ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name})
  else()
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/fuzz/standalone_driver.cpp)
    add_test(NAME ${name}_short COMMAND ${name} 20000 ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name})
  endif()
  set_tests_properties(${name}_short PROPERTIES TIMEOUT 300
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
endfunction()
