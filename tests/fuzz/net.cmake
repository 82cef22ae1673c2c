# The network code's parsers: the FTP reply lines (line splitting, multi-line replies, reply
# numbers, the 227 reply) and the line-mode splitter of the socket layer.
mondeliar_fuzz(ftp_reply_fuzz
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ftp_reply_fuzz.cpp
    LIBS mondeliar_net_parsing)
mondeliar_fuzz(line_mode_fuzz
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/line_mode_fuzz.cpp
    LIBS mondeliar_net_parsing)
