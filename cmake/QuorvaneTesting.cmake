find_package(GTest REQUIRED)

# quorvane_add_test(name SOURCES ... LIBS ... [GUI] [TIMEOUT seconds])
# One GoogleTest program registered as one ctest test. GUI tests run on the
# offscreen platform with a private runtime directory; every test runs with the
# proxy variables cleared so that loopback requests never go through a proxy.
function(quorvane_add_test name)
  cmake_parse_arguments(ARG "GUI" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  quorvane_warnings(${name})
  # GUI tests bring a main() of their own that creates the QApplication.
  if(ARG_GUI)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest)
  else()
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set(env "http_proxy=" "HTTP_PROXY=" "https_proxy=" "HTTPS_PROXY=" "all_proxy=" "ALL_PROXY="
          "no_proxy=*")
  if(ARG_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen" "XDG_RUNTIME_DIR=${CMAKE_CURRENT_BINARY_DIR}/xdg-runtime")
    file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/xdg-runtime)
    file(CHMOD ${CMAKE_CURRENT_BINARY_DIR}/xdg-runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${ARG_TIMEOUT})
endfunction()
