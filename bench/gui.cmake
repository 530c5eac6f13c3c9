# The main window's refresh benchmark (bench/gui_run.sh drives it). Included by
# bench/CMakeLists.txt when the GUI is built.
if(TARGET hl_app)
  add_executable(gui_bench ${CMAKE_CURRENT_LIST_DIR}/gui_bench.cpp)
  target_link_libraries(gui_bench PRIVATE hl_app)
endif()
