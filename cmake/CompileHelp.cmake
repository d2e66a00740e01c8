# Compiles the help sources into the program's help file. Run as:
#   cmake -DCHMCMD=<compiler> -DSOURCE_DIR=<help sources> -DWORK_DIR=<scratch folder>
#         -DOUTPUT=<help file> -P CompileHelp.cmake
# The compiler writes into a copy of the sources, so the source tree stays clean, and the result
# reaches OUTPUT under a temporary name first: a failed compile never leaves a half-written or stale
# file in its place.
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${WORK_DIR})
file(COPY ${SOURCE_DIR}/ DESTINATION ${WORK_DIR})
get_filename_component(compiled_name ${OUTPUT} NAME)
set(temporary ${OUTPUT}.part)
file(REMOVE ${temporary})
execute_process(COMMAND ${CHMCMD} --no-html-scan Kestrame.hhp
    WORKING_DIRECTORY ${WORK_DIR}
    RESULT_VARIABLE status
    OUTPUT_VARIABLE log
    ERROR_VARIABLE log)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${CHMCMD} failed (${status}):\n${log}")
endif()
file(COPY_FILE ${WORK_DIR}/${compiled_name} ${temporary})
file(RENAME ${temporary} ${OUTPUT})
