# The SFTP packets a server sends: cut out of the received bytes and read field by field.
mondeliar_fuzz(sftp_packet_fuzz
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/sftp_packet_fuzz.cpp
    LIBS mondeliar_sftp_packets)
