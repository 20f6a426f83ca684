# navrel-sim: the simulated logger as a program of its own, for trying the
# program without a logger. Built from the simulator's sources (the library
# navrel_sim is only built with the tests).
file(GLOB NAVREL_SIM_TOOL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/sim/*.cpp)
add_executable(navrel-sim ${CMAKE_SOURCE_DIR}/tests/sim/main/SimMain.cpp ${NAVREL_SIM_TOOL_SOURCES})
target_include_directories(navrel-sim PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(navrel-sim PRIVATE navrel_core)
