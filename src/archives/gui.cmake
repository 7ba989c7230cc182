# The archive and journal pages.
zt_gui_library(zt_gui_archives
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/archivepageframe.h
    ${CMAKE_CURRENT_LIST_DIR}/archivepageframe.cpp
    ${CMAKE_CURRENT_LIST_DIR}/archiveframe.h
    ${CMAKE_CURRENT_LIST_DIR}/archiveframe.cpp
    ${CMAKE_CURRENT_LIST_DIR}/journalframe.h
    ${CMAKE_CURRENT_LIST_DIR}/journalframe.cpp
    ${CMAKE_CURRENT_LIST_DIR}/notstaffarchiveframe.h
    ${CMAKE_CURRENT_LIST_DIR}/notstaffarchiveframe.cpp
  DEPS zt_gui_pages zt_gui_controls zt_device)
