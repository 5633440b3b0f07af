# Installs the build into a scratch prefix and checks what a desktop needs is
# there: the program, the converter with its engine module (which it finds
# from its own folder), the desktop entry and the icon; then converts a short
# tone with the installed converter alone.
#   cmake -DBUILD_DIR=... -DPREFIX=... -P InstallCheck.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
    message(FATAL_ERROR "cmake --install failed")
endif()
foreach(path bin/sondrel bin/afconvert lib/sondrel/afconvert-engine.so
        share/applications/sondrel.desktop share/icons/hicolor/256x256/apps/sondrel.png)
    if(NOT EXISTS ${PREFIX}/${path})
        message(FATAL_ERROR "not installed: ${path}")
    endif()
endforeach()
file(STRINGS ${PREFIX}/share/applications/sondrel.desktop entry)
foreach(line "Exec=sondrel" "Icon=sondrel" "Type=Application")
    if(NOT line IN_LIST entry)
        message(FATAL_ERROR "the desktop entry lacks ${line}")
    endif()
endforeach()

execute_process(COMMAND sox -q -n -r 44100 -c 2 ${PREFIX}/tone.wav synth 0.2 sine 440
                RESULT_VARIABLE made)
execute_process(COMMAND ${CMAKE_COMMAND} -E env PATH=/usr/bin:/bin
                        ${PREFIX}/bin/afconvert -f caff -d aac -b 128000 ${PREFIX}/tone.wav
                        ${PREFIX}/tone.caf
                RESULT_VARIABLE converted OUTPUT_VARIABLE said ERROR_QUIET)
if(NOT made EQUAL 0 OR NOT converted EQUAL 0 OR NOT said MATCHES "done"
   OR NOT EXISTS ${PREFIX}/tone.caf)
    message(FATAL_ERROR "the installed converter did not convert (${converted}): ${said}")
endif()
file(REMOVE_RECURSE ${PREFIX})
