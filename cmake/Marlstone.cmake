# Helpers shared by every folder: one static library per source folder, one
# GoogleTest program per test folder.  Sources are found by glob so that adding
# a file needs no edit here (CONFIGURE_DEPENDS re-globs at build time).

# mls_library(<target> [DEPS <targets>...])
# Builds a static library from the *.cpp files of the current folder and its
# subfolders.  Headers are included as "platform/com/variant.h" and the like,
# relative to src/.
function(mls_library target)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
endfunction()

# mls_test(<target> DEPS <targets>... [SOURCES <files>...])
# Builds one test program from the *.cpp files of the current folder (or the
# given sources) and registers it with CTest under the target's name.
function(mls_test target)
  cmake_parse_arguments(ARG "" "" "DEPS;SOURCES" ${ARGN})
  if(ARG_SOURCES)
    set(sources ${ARG_SOURCES})
  else()
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  add_executable(${target} ${sources})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main Threads::Threads)
  add_test(NAME ${target} COMMAND ${target} --gtest_brief=1
           WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
endfunction()
