# Every text of the interface has its English translation: brings a copy of
# vrel_en.ts up to date with the sources (so texts never extracted count too)
# and fails on each message left unfinished. Prints the count.
#   cmake -DLUPDATE=... -DSOURCE_DIR=... -DWORK_DIR=... -P CheckTranslations.cmake
set(copy ${WORK_DIR}/vrel_en.ts)
file(COPY_FILE ${SOURCE_DIR}/res/translations/vrel_en.ts ${copy})
execute_process(
    COMMAND ${LUPDATE} -silent -no-obsolete -locations none ${SOURCE_DIR}/src ${SOURCE_DIR}/tools
            -ts ${copy}
    RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "lupdate failed")
endif()
file(READ ${copy} ts)
string(REGEX MATCHALL "<message[ >]" all "${ts}")
string(REGEX MATCHALL "<translation type=\"unfinished\"" unfinished "${ts}")
list(LENGTH all total)
list(LENGTH unfinished missing)
math(EXPR done "${total} - ${missing}")
message(STATUS "${done} of ${total} texts translated")
if(missing GREATER 0)
    string(REGEX MATCHALL "<source>[^<]*</source>\n[ ]*<translation type=\"unfinished\"" lines "${ts}")
    foreach(line ${lines})
        string(REGEX REPLACE "<source>([^<]*)</source>.*" "\\1" text "${line}")
        message(STATUS "untranslated: ${text}")
    endforeach()
    message(FATAL_ERROR "${missing} texts untranslated: run scripts/update-translations.sh and "
                        "translate res/translations/vrel_en.ts")
endif()
