# The flashing library, loaded by the program at run time from its own folder,
# and the files it reads there (download agents, scatter file), plus a sample
# firmware file for the simulated logger.

set(FLASHLIB_DIR ${CMAKE_SOURCE_DIR}/src/flashlib)

# The exchange and file formats, shared by the library and the tests.
add_library(flashlib_engine STATIC
  ${FLASHLIB_DIR}/FlashExchange.cpp
  ${FLASHLIB_DIR}/FlashFiles.cpp
  ${CMAKE_SOURCE_DIR}/src/firmware/Crc32.cpp)
target_include_directories(flashlib_engine PUBLIC ${CMAKE_SOURCE_DIR}/src)
set_target_properties(flashlib_engine PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)

add_library(flashlib SHARED
  ${FLASHLIB_DIR}/FlashLib.cpp
  ${FLASHLIB_DIR}/FlashSerial.cpp
  ${FLASHLIB_DIR}/FlashComName.cpp)
# The COM-port names come from the program's own platform code, kept private
# to the library.
target_link_libraries(flashlib PRIVATE flashlib_engine navrel_core)
target_link_options(flashlib PRIVATE -Wl,--exclude-libs,ALL -Wl,--no-undefined)
set_target_properties(flashlib PROPERTIES
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON)

add_executable(make_flash_files
  ${FLASHLIB_DIR}/MakeFlashFiles.cpp
  ${CMAKE_SOURCE_DIR}/src/firmware/FirmwareFileFormat.cpp)
target_link_libraries(make_flash_files PRIVATE flashlib_engine)

set(FLASH_FILES
  ${CMAKE_BINARY_DIR}/DA_MT3318_NAVREL.bin
  ${CMAKE_BINARY_DIR}/DA_MT3329_NAVREL.bin
  ${CMAKE_BINARY_DIR}/MTK_AllInOne_DA_MT3318_NAVREL.bin
  ${CMAKE_BINARY_DIR}/MTK_AllInOne_DA_MT3329_NAVREL.bin
  ${CMAKE_BINARY_DIR}/scat.txt
  ${CMAKE_BINARY_DIR}/R710_SAMPLE_V1.05_VNT.bin
  ${CMAKE_BINARY_DIR}/TX380_SAMPLE_V1.05_VNT.bin)
add_custom_command(OUTPUT ${FLASH_FILES}
  COMMAND make_flash_files ${CMAKE_BINARY_DIR}
  DEPENDS make_flash_files
  COMMENT "Writing download agents, scatter file and sample firmware")
add_custom_target(flash_files ALL DEPENDS ${FLASH_FILES})
add_dependencies(navrel flashlib flash_files)

# The firmware tests load the library and the files from their own folder and
# drive the exchange directly.
function(navrel_firmware_test_setup)
  if(TARGET test_firmware)
    target_link_libraries(test_firmware PRIVATE flashlib_engine)
    # A stand-in back-end that records the program's calls.
    add_library(fakeflash SHARED ${CMAKE_SOURCE_DIR}/tests/firmware/fake/FakeFlashLib.cpp)
    target_include_directories(fakeflash PRIVATE ${CMAKE_SOURCE_DIR}/src)
    set_target_properties(fakeflash PROPERTIES OUTPUT_NAME flashlib
      LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fakeflash CXX_VISIBILITY_PRESET hidden)
    add_dependencies(test_firmware flashlib flash_files fakeflash)
  endif()
endfunction()
cmake_language(DEFER CALL navrel_firmware_test_setup)
