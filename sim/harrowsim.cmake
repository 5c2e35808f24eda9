# The Harrowmeter model (part of the sim library) and the harrowsim program.
target_sources(sim PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/harrowmeter_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/harrowmeter_state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/harrowmeter_control.cpp
)
target_link_libraries(sim PUBLIC harrowmeter)

add_executable(harrowsim ${CMAKE_CURRENT_LIST_DIR}/harrowsim_main.cpp)
target_link_libraries(harrowsim PRIVATE sim harrowmeter)
