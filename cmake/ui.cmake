# The program's own version block: a build tool turns the project version
# into a byte array that the version reader places in its own section of
# every executable linking it.
add_executable(navrel_versiongen ${CMAKE_SOURCE_DIR}/src/ui/gen/VersionBlockGen.cpp
                                 ${CMAKE_SOURCE_DIR}/src/ui/VersionBlock.cpp)
target_include_directories(navrel_versiongen PRIVATE ${CMAKE_SOURCE_DIR}/src)

string(TIMESTAMP NAVREL_BUILD_YEAR "%Y" UTC)
set(NAVREL_VERSION_BLOCK ${CMAKE_BINARY_DIR}/generated/VersionBlock.inc)
add_custom_command(
  OUTPUT ${NAVREL_VERSION_BLOCK}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND navrel_versiongen ${NAVREL_VERSION_BLOCK} ${PROJECT_VERSION} ${NAVREL_BUILD_YEAR}
  DEPENDS navrel_versiongen
  COMMENT "Generating the version block ${PROJECT_VERSION}"
  VERBATIM)
target_sources(navrel_core PRIVATE ${NAVREL_VERSION_BLOCK})
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/ui/VersionInfo.cpp PROPERTIES
                            OBJECT_DEPENDS ${NAVREL_VERSION_BLOCK})
