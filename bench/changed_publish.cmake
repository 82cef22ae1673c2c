# A publish after one changed note: ours (changed only, in process and as mondeliar-cli)
# against curl storing all fourteen pages and lftp mirroring the page folder, on loopback
# and at a 50 ms round trip.
mondeliar_benchmark(changed_publish_bench
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/changed_publish_bench.cpp
    LIBS mondeliar_publish)
add_dependencies(changed_publish_bench mondeliar-cli)
target_compile_definitions(changed_publish_bench PRIVATE MONDELIAR_CLI="$<TARGET_FILE:mondeliar-cli>")
