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

# qm_gtest(NAME [SOURCES ...] [DEPS ...] [LABELS ...] [TIMEOUT s] [RESOURCE_LOCK name])
# One test executable per area; each TEST becomes its own CTest case. In the Windows tree the cases
# are listed and run under Wine (at test time, so building needs no Wine) and carry the label windows.
# RESOURCE_LOCK: cases that hold it never run beside each other (e.g. tests of keyboard focus, which
# another test's window can take on the prefix's one desktop).
function(qm_gtest name)
  cmake_parse_arguments(QG "" "TIMEOUT;RESOURCE_LOCK" "SOURCES;DEPS;LABELS" ${ARGN})
  if(NOT QG_TIMEOUT)
    set(QG_TIMEOUT 120)
  endif()
  add_executable(${name} ${QG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/TestEnvironment.cpp)
  target_link_libraries(${name} PRIVATE ${QG_DEPS} GTest::gmock_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  # Only single values here: gtest_discover_tests flattens list-valued properties, so a Windows case
  # carries the one label windows.
  set(_labels_text "${QG_LABELS}")
  set(_mode POST_BUILD)
  set(_lock "")
  if(QG_RESOURCE_LOCK)
    set(_lock RESOURCE_LOCK ${QG_RESOURCE_LOCK})
  endif()
  if(CMAKE_CROSSCOMPILING AND WIN32)
    set(_labels_text windows)
    set(_mode PRE_TEST)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60 DISCOVERY_MODE ${_mode} NO_PRETTY_VALUES
    PROPERTIES TIMEOUT ${QG_TIMEOUT} LABELS "${_labels_text}" ${_lock})
endfunction()
