# Job benches on the simulated chip with the real counter.
if(TARGET vorlane_jobs)
  add_executable(vorlane_jobs_bench ${CMAKE_CURRENT_LIST_DIR}/JobsBench.cpp)
  target_link_libraries(vorlane_jobs_bench PRIVATE vorlane_jobs vorlane_simport)
  add_executable(vorlane_write_bench ${CMAKE_CURRENT_LIST_DIR}/WriteBench.cpp)
  target_link_libraries(vorlane_write_bench PRIVATE vorlane_jobs vorlane_simport)
  add_executable(vorlane_at89s52_bench ${CMAKE_CURRENT_LIST_DIR}/At89s52Bench.cpp)
  target_link_libraries(vorlane_at89s52_bench PRIVATE vorlane_jobs vorlane_simport)
endif()
