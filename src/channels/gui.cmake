zt_gui_library(zt_gui_channels
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/txrxwrapper.cpp
    ${CMAKE_CURRENT_LIST_DIR}/comportchanelframe.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tcpchanelframe.cpp
    ${CMAKE_CURRENT_LIST_DIR}/chanelsetupform.cpp
  DEPS zt_channels zt_engine zt_util)
