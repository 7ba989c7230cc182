zt_gui_library(zt_gui_app
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/mainframe.cpp
  DEPS zt_gui_engine zt_core)

add_executable(zt-configurator ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(zt-configurator PRIVATE zt_settings zt_gui)
