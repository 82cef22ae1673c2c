# The readers of a calendar's files. Each target writes its input to a file of its own and
# reads it as the program does, then checks that what the program writes reads back the same.
mondeliar_fuzz(notes_fuzz SOURCES notes_fuzz.cpp LIBS mondeliar_store)
mondeliar_fuzz(settings_fuzz SOURCES settings_fuzz.cpp LIBS mondeliar_config)
mondeliar_fuzz(recurring_fuzz SOURCES recurring_fuzz.cpp LIBS mondeliar_config)
mondeliar_fuzz(language_fuzz SOURCES language_fuzz.cpp LIBS mondeliar_config)
