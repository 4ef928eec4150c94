# orva_test(<name> SOURCES <files...> LIBS <targets...> [THREADED] [GUI])
#   One GoogleTest executable and one ctest entry. THREADED marks suites that the
#   ThreadSanitizer build runs; GUI suites run on the offscreen Qt platform.
function(orva_test name)
  cmake_parse_arguments(T "THREADED;GUI" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads
    Qt6::Core Qt6::Gui Qt6::Widgets)
  # The headless dialog drivers are for tests only; the program never links them.
  if(TARGET orva_afx_testing)
    target_link_libraries(${name} PRIVATE orva_afx_testing)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set(labels unit)
  if(T_THREADED)
    list(APPEND labels threaded)
  endif()
  if(T_GUI)
    list(APPEND labels gui)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${labels}" TIMEOUT 600
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
endfunction()

# orva_bench(<name> SOURCES <files...> LIBS <targets...>)
function(orva_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark Threads::Threads Qt6::Core Qt6::Gui
    Qt6::Widgets)
  if(TARGET orva_afx_testing)
    target_link_libraries(${name} PRIVATE orva_afx_testing)
  endif()
endfunction()
