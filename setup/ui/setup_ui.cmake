# The setup wizard (Qt Widgets) in the zentrix program.
find_package(Qt6 REQUIRED COMPONENTS Widgets)
target_sources(zentrix PRIVATE ${CMAKE_CURRENT_LIST_DIR}/setup_wizard.cpp)
target_link_libraries(zentrix PRIVATE Qt6::Widgets)
