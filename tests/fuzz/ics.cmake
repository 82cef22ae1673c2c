# The iCalendar feed's text handling: notes as plain text, escaped and folded.
mondeliar_fuzz(ics_text_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ics_text_fuzz.cpp LIBS mondeliar_html)
