# Finishes a generated manual page: the date in its title line becomes the
# release date (help2man writes the month of the build, which neither makes
# the page reproducible nor parses as a date everywhere).
#   cmake -DINPUT=raw.1 -DOUTPUT=page.1 -DDATE=YYYY-MM-DD -P ManPage.cmake
cmake_minimum_required(VERSION 3.25)
file(READ ${INPUT} page)
string(REGEX REPLACE "(\n\\.TH [^\n\"]*\"[^\"]*\" )\"[^\"]*\"" "\\1\"${DATE}\"" dated "\n${page}")
if(dated STREQUAL "\n${page}")
    message(FATAL_ERROR "${INPUT} has no title line with a date")
endif()
string(SUBSTRING "${dated}" 1 -1 dated)
file(WRITE ${OUTPUT} "${dated}")
