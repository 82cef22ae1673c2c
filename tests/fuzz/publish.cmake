# The record of what changed-only publishing sent. Its reader needs nothing of the network,
# so it is built from its source alone, without the publish library and Qt.
mondeliar_fuzz(sent_record_fuzz SOURCES sent_record_fuzz.cpp
               ${CMAKE_SOURCE_DIR}/src/publish/sent_record.cpp LIBS mondeliar_base)
