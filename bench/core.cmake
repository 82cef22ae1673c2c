mondeliar_benchmark(core_bench SOURCES core_bench.cpp LIBS mondeliar_config)
