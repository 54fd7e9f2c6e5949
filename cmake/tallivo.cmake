# tallivo_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>] [DESKTOP])
# One executable, one CTest entry (so a Wine run starts one process per suite).
# DESKTOP marks tests that use the shared desktop (focus, global hotkey, the
# single-instance mutex); they never run at the same time as each other.
function(tallivo_test name)
  cmake_parse_arguments(T "DESKTOP" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest_main tallivo_options)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 600 LABELS "${T_LABELS}")
  if(T_DESKTOP)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK desktop)
  endif()
endfunction()
