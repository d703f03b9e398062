# The form controls' message tables: the calendar library's reader error texts and messages.
lorvane_resource_group(controls_resources NAME Controls
  TABLES ESSRMGR_STRINGS=strings/essrmgr.txt
         CALENDAR_STRINGS_ENGLISH=strings/calendar_english.txt)
