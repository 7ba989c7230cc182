zt_gui_library(zt_gui_observation
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/chartprint.h
    ${CMAKE_CURRENT_LIST_DIR}/chartprint.cpp
    ${CMAKE_CURRENT_LIST_DIR}/graphobservationframe.h
    ${CMAKE_CURRENT_LIST_DIR}/graphobservationframe.cpp
    ${CMAKE_CURRENT_LIST_DIR}/adcsignalframe.h
    ${CMAKE_CURRENT_LIST_DIR}/adcsignalframe.cpp
  DEPS zt_gui_pages zt_observation zt_device zt_util)
