zt_gui_library(zt_gui_app
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/application.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mainframe.cpp
    ${CMAKE_CURRENT_LIST_DIR}/namedialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/aboutbox.cpp
    ${CMAKE_CURRENT_LIST_DIR}/userguide.cpp
  DEPS zt_gui_workspace zt_gui_archives zt_gui_channels zt_gui_engine zt_channels zt_engine zt_util zt_xlsx)

add_executable(zt-configurator ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(zt-configurator PRIVATE zt_settings zt_gui_app zt_gui zt_sim)

# The device workspace: its own library, so that the pages and the main
# window each link what they need.
zt_gui_library(zt_gui_workspace
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/zt_framemain.h ${CMAKE_CURRENT_LIST_DIR}/zt_framemain.cpp
    ${CMAKE_CURRENT_LIST_DIR}/treeimages.h ${CMAKE_CURRENT_LIST_DIR}/treeimages.cpp
  DEPS zt_gui_pages zt_gui_archives zt_gui_observation zt_gui_engine zt_device zt_channels)

# "Справка" finds the installed user guide relative to the program.
file(RELATIVE_PATH ZT_GUIDE_FROM_BINDIR "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_DOCDIR}")
target_compile_definitions(zt_gui_app PRIVATE ZT_GUIDE_FROM_BINDIR="${ZT_GUIDE_FROM_BINDIR}")
