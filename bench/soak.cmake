# 200 publishes in a row in one process, as the window runs them: descriptors, memory,
# sockets, queued events and timers before and after.
mondeliar_benchmark(publish_soak_bench
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/publish_soak_bench.cpp
    LIBS mondeliar_publish)
