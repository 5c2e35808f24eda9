# The Harrowmeter model (part of the sim library) and the harrowsim program.
target_sources(sim PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/harrowmeter_model.cpp
)
target_link_libraries(sim PUBLIC harrowmeter)
