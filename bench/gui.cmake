# The main window's refresh benchmark (bench/gui_run.sh drives it). Included by
# bench/CMakeLists.txt when the GUI is built.
if(TARGET hl_app)
  add_executable(gui_bench ${CMAKE_CURRENT_LIST_DIR}/gui_bench.cpp)
  target_link_libraries(gui_bench PRIVATE hl_app)
endif()

# The list's column sort against GNU sort (run by make bench).
if(TARGET hl_listview)
  add_executable(sort_bench ${CMAKE_CURRENT_LIST_DIR}/sort_bench.cpp)
  target_link_libraries(sort_bench PRIVATE hl_listview Qt6::Test)
endif()

# The flat header's paint and drag-move costs (run by make bench).
if(TARGET hl_listview)
  add_executable(header_bench ${CMAKE_CURRENT_LIST_DIR}/header_bench.cpp)
  target_link_libraries(header_bench PRIVATE hl_listview Qt6::Test)
endif()
