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

# Texts that never reach the translation: a literal in the interface's folders
# that reads as words (a letter and a blank, or a file pattern such as "(*.txt)")
# and is not passed to tr() or translate() shows in one language whatever the
# interface's. Each one is either translated or a fixed text listed, with its
# reason, in fixed-texts.txt.
file(STRINGS ${SOURCE_DIR}/tests/translations/fixed-texts.txt listed ENCODING UTF-8)
set(fixed)
foreach(line ${listed})
    if(NOT line MATCHES "^#" AND NOT line STREQUAL "")
        list(APPEND fixed "${line}")
    endif()
endforeach()
set(sources)
foreach(folder ui settings graph files live logger app print)
    file(GLOB found ${SOURCE_DIR}/src/${folder}/*.cpp ${SOURCE_DIR}/src/${folder}/*.h)
    list(APPEND sources ${found})
endforeach()
set(stray 0)
foreach(source ${sources})
    file(READ ${source} code)
    string(REGEX MATCHALL "(QString(Literal|::fromLatin1|::fromUtf8)?|QLatin1String)\\(\"[^\"]*\""
           literals "${code}")
    foreach(literal ${literals})
        string(REGEX REPLACE "^[^\"]*\"(.*)\"$" "\\1" words "${literal}")
        if(words MATCHES "[A-Za-z].* |\\(\\*\\.")
            list(FIND fixed "${words}" at)
            if(at EQUAL -1)
                file(RELATIVE_PATH name ${SOURCE_DIR} ${source})
                message(STATUS "not translated: ${name}: \"${words}\"")
                math(EXPR stray "${stray} + 1")
            endif()
        endif()
    endforeach()
endforeach()
if(stray GREATER 0)
    message(FATAL_ERROR "${stray} texts bypass the translation: put them through tr() or, when "
                        "the text is fixed, list it in tests/translations/fixed-texts.txt")
endif()
