# Helpers shared by the test folders.
#
# Every test runs with HOME, the XDG folders and the runtime folder pointed into the build tree,
# so that no test can read or write the user's own settings or data even by mistake.
set(QB_TEST_HOME ${CMAKE_BINARY_DIR}/test-home)
file(MAKE_DIRECTORY ${QB_TEST_HOME}/config ${QB_TEST_HOME}/data ${QB_TEST_HOME}/cache ${QB_TEST_HOME}/runtime)
file(CHMOD ${QB_TEST_HOME}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(QB_TEST_ENV
  "HOME=${QB_TEST_HOME}"
  "XDG_CONFIG_HOME=${QB_TEST_HOME}/config"
  "XDG_DATA_HOME=${QB_TEST_HOME}/data"
  "XDG_CACHE_HOME=${QB_TEST_HOME}/cache"
  "XDG_RUNTIME_DIR=${QB_TEST_HOME}/runtime")

# qb_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [OFFSCREEN] [LABEL <label>])
# A Qt Test executable run by CTest. OFFSCREEN runs it on Qt's offscreen platform (no display).
function(qb_add_test)
  cmake_parse_arguments(T "OFFSCREEN" "NAME;LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
  target_include_directories(${T_NAME} PRIVATE ${QB_SRC} ${CMAKE_SOURCE_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set(env ${QB_TEST_ENV})
  if(T_OFFSCREEN)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  if(NOT T_LABEL)
    set(T_LABEL unit)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" LABELS ${T_LABEL} TIMEOUT 300)
endfunction()
