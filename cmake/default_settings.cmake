# Writes the default settings file unless the user already has one.
if(NOT EXISTS "${OUT}")
    file(WRITE "${OUT}" "ScreenSolution(1280,1024)\r\nWindowed(1)\r\n")
endif()
