# Publishing the fourteen pages with mondeliar-cli against curl, both to pyftpdlib on loopback.
mondeliar_benchmark(publish_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/publish_bench.cpp LIBS mondeliar_html)
add_dependencies(publish_bench mondeliar-cli)
target_compile_definitions(publish_bench PRIVATE MONDELIAR_CLI="$<TARGET_FILE:mondeliar-cli>")
