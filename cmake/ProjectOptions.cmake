# Warnings and sanitizers shared by every project target.
add_library(project_options INTERFACE)
target_compile_options(project_options INTERFACE -Wall -Wextra)

if(D3DDRIVER_ASAN AND D3DDRIVER_TSAN)
  message(FATAL_ERROR "AddressSanitizer and ThreadSanitizer cannot be combined")
endif()
if(D3DDRIVER_ASAN)
  target_compile_options(project_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(project_options INTERFACE -fsanitize=address,undefined)
endif()
if(D3DDRIVER_TSAN)
  target_compile_options(project_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(project_options INTERFACE -fsanitize=thread)
endif()

# Collects the sources below DIR (recursively) for a target.
function(project_sources OUT DIR)
  file(GLOB_RECURSE _srcs CONFIGURE_DEPENDS ${DIR}/*.cpp ${DIR}/*.c)
  set(${OUT} ${_srcs} PARENT_SCOPE)
endfunction()

# project_test(NAME <name> LIBS <libs...> [SOURCES <files...>])
# One GoogleTest program per subsystem; sources default to every .cpp in the
# calling folder.
function(project_test)
  cmake_parse_arguments(T "" "NAME" "LIBS;SOURCES" ${ARGN})
  if(NOT T_SOURCES)
    file(GLOB T_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  add_executable(test_${T_NAME} ${T_SOURCES})
  target_link_libraries(test_${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main project_options)
  # Tests find their data through this path, wherever the build folder is.
  target_compile_definitions(test_${T_NAME} PRIVATE D3DDRIVER_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  # The program's name before each test lets CTest pick one program's tests
  # (-R '^raster/'), since suite names repeat across programs.
  gtest_discover_tests(test_${T_NAME}
    TEST_PREFIX "${T_NAME}/"
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
    PROPERTIES ENVIRONMENT "D3DDRIVER_HEADLESS=1"
    DISCOVERY_TIMEOUT 60)
endfunction()
