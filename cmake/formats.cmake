# Benchmark of the track-log exports and the XML writer (not part of the
# test suite): build target formats_bench, run build/formats_bench.
find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(formats_bench ${CMAKE_SOURCE_DIR}/bench/FormatsBench.cpp)
  target_link_libraries(formats_bench PRIVATE navrel_core benchmark::benchmark)
endif()
