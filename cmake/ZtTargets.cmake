# zt_core_library(NAME SOURCES ... DEPS ...): one subsystem's static library,
# linked into the zt_core aggregate.
function(zt_core_library name)
  cmake_parse_arguments(L "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_link_libraries(${name} PUBLIC zt_settings Threads::Threads ${L_DEPS})
  target_link_libraries(zt_core INTERFACE ${name})
endfunction()

# zt_gui_library(NAME SOURCES ... DEPS ...): one folder's window files as a
# static library, linked into the zt_gui aggregate.
function(zt_gui_library name)
  cmake_parse_arguments(L "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_link_libraries(${name} PUBLIC zt_settings Qt6::Widgets Qt6::PrintSupport QCustomPlotQt6::QCustomPlotQt6 ${L_DEPS})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(zt_gui INTERFACE ${name})
endfunction()

# zt_add_test(NAME LABEL unit|e2e|gui SOURCES ... LIBS ...): one GoogleTest
# executable, run by CTest with its label, on the offscreen Qt platform and
# with a registry file of its own.
function(zt_add_test name)
  cmake_parse_arguments(T "" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_LABEL)
    set(T_LABEL unit)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  if(T_LABEL STREQUAL "gui" AND NOT ZT_BUILD_GUI)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE zt_settings ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    LABELS ${T_LABEL}
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ZT_REGISTRY=${CMAKE_CURRENT_BINARY_DIR}/${name}.registry.json")
endfunction()
