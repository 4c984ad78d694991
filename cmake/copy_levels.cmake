# Copies the shipped levels into the run folder (there may be none yet).
if(EXISTS "${SRC}")
    file(COPY "${SRC}/" DESTINATION "${DST}")
endif()
