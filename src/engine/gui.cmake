target_sources(zt_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/qtnotifydispatcher.cpp)
