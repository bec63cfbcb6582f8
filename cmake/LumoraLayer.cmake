# lumora_layer(NAME [DEPS layer...] [LIBS lib...] [SANITIZED])
#
# Every layer folder is one static library, lumora_<NAME>, built from the
# .cpp files of the folder; tests/*.cpp of the folder form test_<NAME>.
# DEPS names lower layers only, so the build enforces the layering.
# SANITIZED also builds lumora_<NAME>_san with ASan and UBSan, for the
# fuzz-corpus replays.
set(LUMORA_SANITIZE_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
if(LUMORA_LIBFUZZER)
  list(APPEND LUMORA_SANITIZE_FLAGS -fsanitize=fuzzer-no-link)
endif()

function(lumora_layer NAME)
  cmake_parse_arguments(L "SANITIZED" "" "DEPS;LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(lib lumora_${NAME})
  set(deps)
  foreach(d ${L_DEPS})
    list(APPEND deps lumora_${d})
  endforeach()
  if(NOT sources)
    # A layer of headers only.
    add_library(${lib} INTERFACE)
    target_include_directories(${lib} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${lib} INTERFACE ${deps} ${L_LIBS})
    return()
  endif()
  add_library(${lib} STATIC ${sources})
  target_include_directories(${lib} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${lib} PUBLIC ${deps} ${L_LIBS})

  if(L_SANITIZED AND (LUMORA_SANITIZED_REPLAY OR LUMORA_LIBFUZZER))
    add_library(${lib}_san STATIC ${sources})
    target_include_directories(${lib}_san PUBLIC ${PROJECT_SOURCE_DIR})
    target_compile_options(${lib}_san PUBLIC ${LUMORA_SANITIZE_FLAGS})
    target_link_options(${lib}_san PUBLIC ${LUMORA_SANITIZE_FLAGS})
    set(sdeps)
    foreach(d ${L_DEPS})
      list(APPEND sdeps lumora_${d}_san)
    endforeach()
    target_link_libraries(${lib}_san PUBLIC ${sdeps} ${L_LIBS})
  endif()

  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(LUMORA_TESTS AND tests)
    add_executable(test_${NAME} ${tests})
    target_link_libraries(test_${NAME} PRIVATE ${lib} GTest::gtest GTest::gmock GTest::gtest_main)
    target_compile_definitions(test_${NAME} PRIVATE
      LUMORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
      LUMORA_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/tests/data")
    gtest_discover_tests(test_${NAME} DISCOVERY_MODE PRE_TEST
      PROPERTIES ENVIRONMENT "XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-config")
  endif()
endfunction()
