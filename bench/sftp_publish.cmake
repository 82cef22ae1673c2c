# Publishing the fourteen pages over SFTP (in process and as mondeliar-cli) against OpenSSH's
# sftp -b, to Debian's OpenSSH server, on loopback and at a 50 ms round trip.
mondeliar_benchmark(sftp_publish_bench
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/sftp_publish_bench.cpp
    LIBS mondeliar_publish)
add_dependencies(sftp_publish_bench mondeliar-cli)
target_compile_definitions(sftp_publish_bench PRIVATE MONDELIAR_CLI="$<TARGET_FILE:mondeliar-cli>")
