# qm_library(NAME DIR [EXCLUDE regex] [DEPS ...])
# Every library globs its own folder so that adding a file needs no edit here.
function(qm_library name dir)
  cmake_parse_arguments(QL "" "EXCLUDE" "DEPS" ${ARGN})
  file(GLOB _srcs CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.h")
  if(QL_EXCLUDE)
    list(FILTER _srcs EXCLUDE REGEX "${QL_EXCLUDE}")
  endif()
  set(_cpp ${_srcs})
  list(FILTER _cpp INCLUDE REGEX "\\.cpp$")
  if(NOT _cpp)
    # A folder that holds no code yet still gives a library, so dependants link.
    list(APPEND _srcs ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(${name} STATIC ${_srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${QL_DEPS})
endfunction()

# qm_gtest(NAME [SOURCES ...] [DEPS ...] [LABELS ...] [TIMEOUT s])
# One test executable per area; each TEST becomes its own CTest case.
function(qm_gtest name)
  cmake_parse_arguments(QT "" "TIMEOUT" "SOURCES;DEPS;LABELS" ${ARGN})
  if(NOT QT_TIMEOUT)
    set(QT_TIMEOUT 120)
  endif()
  add_executable(${name} ${QT_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/TestEnvironment.cpp)
  target_link_libraries(${name} PRIVATE ${QT_DEPS} GTest::gmock_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  # Only single values here: gtest_discover_tests flattens list-valued properties. The rest of the
  # test environment is set by support/TestEnvironment.cpp inside each program.
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
    PROPERTIES TIMEOUT ${QT_TIMEOUT} LABELS "${QT_LABELS}" ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
