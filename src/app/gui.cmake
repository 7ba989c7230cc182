target_sources(zt_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/mainframe.cpp)

add_executable(zt-configurator ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(zt-configurator PRIVATE zt_settings zt_gui)
