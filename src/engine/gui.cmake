zt_gui_library(zt_gui_engine
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/qtnotifydispatcher.cpp
  DEPS zt_engine)
