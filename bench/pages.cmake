mondeliar_benchmark(pages_bench SOURCES pages_bench.cpp LIBS mondeliar_html)
add_dependencies(pages_bench mondeliar-cli)
target_compile_definitions(pages_bench PRIVATE MONDELIAR_CLI="$<TARGET_FILE:mondeliar-cli>")
