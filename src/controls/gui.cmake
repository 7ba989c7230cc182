zt_gui_library(zt_gui_controls
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/custombitedit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/biteditcombobox.cpp
    ${CMAKE_CURRENT_LIST_DIR}/biteditlistbox.cpp
    ${CMAKE_CURRENT_LIST_DIR}/scrolls.cpp
    ${CMAKE_CURRENT_LIST_DIR}/goodtable.cpp
  DEPS zt_util)
