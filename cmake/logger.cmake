# Benchmark of the chipset log download against the paced simulated logger
# (not part of the test suite): build target log_download_bench, run
# build/log_download_bench. It needs the simulator, which is built with the
# tests.
function(navrel_logger_bench_setup)
  if(TARGET navrel_sim)
    add_executable(log_download_bench ${CMAKE_SOURCE_DIR}/tests/logger/bench/LogDownloadBench.cpp)
    target_link_libraries(log_download_bench PRIVATE navrel_sim navrel_view navrel_core)
  endif()
endfunction()
cmake_language(DEFER CALL navrel_logger_bench_setup)
