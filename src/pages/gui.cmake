zt_gui_library(zt_gui_pages
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/pageframe.h
    ${CMAKE_CURRENT_LIST_DIR}/pageframe.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fieldbinding.h
    ${CMAKE_CURRENT_LIST_DIR}/fieldbinding.cpp
    ${CMAKE_CURRENT_LIST_DIR}/currentparamframe.h
    ${CMAKE_CURRENT_LIST_DIR}/currentparamframe.cpp
    ${CMAKE_CURRENT_LIST_DIR}/identificationframe.h
    ${CMAKE_CURRENT_LIST_DIR}/identificationframe.cpp
  DEPS zt_device zt_gui_controls)
