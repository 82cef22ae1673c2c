# Upload throughput of the FTP client against curl, both to pyftpdlib on loopback.
mondeliar_benchmark(net_bench
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/net_bench.cpp
    LIBS mondeliar_net Qt6::Core)
