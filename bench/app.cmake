mondeliar_benchmark(app_bench SOURCES app_bench.cpp LIBS mondeliar_app)
