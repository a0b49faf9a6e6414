# Helpers shared by every folder's CMakeLists.txt.
include(GoogleTest)

# Adds each listed subfolder that has a CMakeLists.txt, so a new area needs no edit here.
function(kestrova_add_subdirectories)
  foreach(dir IN LISTS ARGN)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# kestrova_library(name [QT] LIBS ...): a static library of the folder's own sources.
function(kestrova_library name)
  cmake_parse_arguments(arg "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.ui)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${arg_LIBS})
endfunction()

# kestrova_test(name LABEL unit|integration|gui SOURCES ... LIBS ... [TIMEOUT s])
# One GoogleTest executable; its tests are discovered when ctest runs. tests/test_main.cpp gives
# every run a private environment (offscreen Qt, its own XDG folders).
function(kestrova_test name)
  cmake_parse_arguments(arg "" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT TARGET kestrova_test_main)
    # Built once, linked into every test executable.
    add_library(kestrova_test_main STATIC ${PROJECT_SOURCE_DIR}/tests/test_main.cpp)
    target_link_libraries(kestrova_test_main PUBLIC GTest::gtest GTest::gmock Threads::Threads)
    target_compile_definitions(kestrova_test_main PUBLIC
      KESTROVA_SOURCE_DIR="${PROJECT_SOURCE_DIR}" KESTROVA_BINARY_DIR="${CMAKE_BINARY_DIR}")
  endif()
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LIBS} kestrova_test_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 120)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS ${arg_LABEL} TIMEOUT ${arg_TIMEOUT})
endfunction()
