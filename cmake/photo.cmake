# Photo area extras: fuzz targets for the EXIF reader and the GPS writer,
# and the matching/copy benchmark.
set(PHOTO_FUZZ_DIR ${CMAKE_SOURCE_DIR}/tests/photo/fuzz)
set(PHOTO_FUZZERS FuzzExifDate FuzzGpsWriter)
# The EXIF code is compiled into each fuzz target so that it is instrumented.
set(PHOTO_FUZZ_SOURCES ${CMAKE_SOURCE_DIR}/src/photo/ExifBytes.cpp
    ${CMAKE_SOURCE_DIR}/src/photo/ExifLayout.cpp ${CMAKE_SOURCE_DIR}/src/photo/ExifGpsWriter.cpp)

if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  option(NAVREL_PHOTO_LIBFUZZER "Build the photo fuzz targets with libFuzzer" ON)
else()
  set(NAVREL_PHOTO_LIBFUZZER OFF)
endif()
set(NAVREL_PHOTO_FUZZ_SECONDS 3 CACHE STRING "Seconds each photo fuzzer runs under ctest")

foreach(fuzzer IN LISTS PHOTO_FUZZERS)
  if(NAVREL_PHOTO_LIBFUZZER)
    add_executable(${fuzzer} ${PHOTO_FUZZ_DIR}/${fuzzer}.cpp ${PHOTO_FUZZ_SOURCES})
    target_compile_options(${fuzzer} PRIVATE -fsanitize=fuzzer,address,undefined
                                             -fno-sanitize-recover=undefined)
    target_link_options(${fuzzer} PRIVATE -fsanitize=fuzzer,address,undefined)
  else()
    # Without libFuzzer the same entry replays the seed corpus.
    add_executable(${fuzzer} ${PHOTO_FUZZ_DIR}/${fuzzer}.cpp ${PHOTO_FUZZ_DIR}/ReplayMain.cpp)
  endif()
  target_link_libraries(${fuzzer} PRIVATE navrel_core)
  # Area files are read before CTest sets BUILD_TESTING on a first configure.
  if(NOT DEFINED BUILD_TESTING OR BUILD_TESTING)
    if(NAVREL_PHOTO_LIBFUZZER)
      # Fuzz a scratch copy so that new corpus entries stay out of the tree.
      add_test(NAME photo_fuzz_${fuzzer}
               COMMAND sh -c "rm -rf corpus_${fuzzer} && cp -r ${PHOTO_FUZZ_DIR}/corpus corpus_${fuzzer} && exec $<TARGET_FILE:${fuzzer}> -max_total_time=${NAVREL_PHOTO_FUZZ_SECONDS} -max_len=4096 corpus_${fuzzer}"
               WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
      set_tests_properties(photo_fuzz_${fuzzer} PROPERTIES TIMEOUT 120)
    else()
      add_test(NAME photo_fuzz_${fuzzer} COMMAND ${fuzzer} ${PHOTO_FUZZ_DIR}/corpus)
    endif()
  endif()
endforeach()

# Built with everything (but not run by ctest) so that it keeps compiling.
add_executable(photo_benchmark ${CMAKE_SOURCE_DIR}/tests/photo/bench/PhotoBenchmark.cpp
                               ${CMAKE_SOURCE_DIR}/tests/photo/ExifBuilder.cpp)
target_include_directories(photo_benchmark PRIVATE ${CMAKE_SOURCE_DIR}/tests/photo)
target_link_libraries(photo_benchmark PRIVATE navrel_core)
