# Parvane's own user guide: the help project guide/parvane.pvx, built by the parvane-cli of
# this build into the program folder of the build tree, where Help finds it:
#
#   <build>/support/parvane.chm     HTML Help (Help opens it when the desktop reads .chm)
#   <build>/support/help/           the same guide as Web Help (index.htm), for the browser
#
# The outputs are made in <build>/guide/ first: a build never writes into the program folder
# it reads, so they are copied there afterwards. They are rebuilt only when a file of guide/
# changes. The same file doubles as the script that runs the two builds (cmake -P), so the
# CLI's many progress lines go to a log that is shown only when a build fails.

if(CMAKE_SCRIPT_MODE_FILE)
    # cmake -DCLI=... -DPROJECT=... -DWORK=... -DAPPDIR=... -DSTAMP=... -P Guide.cmake
    # A home of its own: nothing of the user's settings is read and nothing lands in ~.
    set(ENV{HOME} ${WORK}/home)
    set(ENV{XDG_CONFIG_HOME} ${WORK}/home/.config)
    set(ENV{PARVANE_DATA_DIR} ${APPDIR})
    file(MAKE_DIRECTORY ${WORK}/home/.config)

    function(guide_build option out log)
        execute_process(COMMAND ${CLI} build ${PROJECT} ${option} --out ${out} --force
            OUTPUT_FILE ${log} ERROR_FILE ${log}.err RESULT_VARIABLE result)
        if(NOT result EQUAL 0)
            file(READ ${log} output)
            file(READ ${log}.err errors)
            message(FATAL_ERROR "Building the user guide (${option}) failed:\n${output}${errors}")
        endif()
    endfunction()
    guide_build(--htmlhelp ${WORK}/parvane.chm ${WORK}/htmlhelp.log)
    guide_build(--webhelp ${WORK}/webhelp/ ${WORK}/webhelp.log)

    file(COPY_FILE ${WORK}/parvane.chm ${APPDIR}/parvane.chm)
    file(REMOVE_RECURSE ${APPDIR}/help)
    file(COPY ${WORK}/webhelp/ DESTINATION ${APPDIR}/help PATTERN ".*" EXCLUDE)
    file(TOUCH ${STAMP})
    return()
endif()

find_program(PARVANE_CHMCMD chmcmd)
if(NOT PARVANE_CHMCMD)
    message(WARNING "chmcmd (Debian package fp-utils) not found: the user guide is not built")
    return()
endif()

file(GLOB_RECURSE PARVANE_GUIDE_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/guide/*)
set(PARVANE_GUIDE_PROJECT ${PROJECT_SOURCE_DIR}/guide/parvane.pvx)
set(PARVANE_GUIDE_DIR ${PROJECT_BINARY_DIR}/guide)
# What is installed (cmake/Packaging.cmake) and what the tests read.
set(PARVANE_GUIDE_CHM ${PARVANE_GUIDE_DIR}/parvane.chm)
set(PARVANE_GUIDE_WEBHELP ${PARVANE_GUIDE_DIR}/webhelp)
set(guide_stamp ${PARVANE_GUIDE_DIR}/guide.stamp)

add_custom_command(
    OUTPUT ${guide_stamp} ${PARVANE_GUIDE_CHM} ${PARVANE_GUIDE_WEBHELP}/index.htm
           ${PROJECT_BINARY_DIR}/support/parvane.chm ${PROJECT_BINARY_DIR}/support/help/index.htm
    COMMAND ${CMAKE_COMMAND}
            -DCLI=$<TARGET_FILE:parvane-cli>
            -DPROJECT=${PARVANE_GUIDE_PROJECT}
            -DWORK=${PARVANE_GUIDE_DIR}
            -DAPPDIR=${PROJECT_BINARY_DIR}/support
            -DSTAMP=${guide_stamp}
            -P ${CMAKE_CURRENT_LIST_FILE}
    DEPENDS parvane-cli ${PARVANE_GUIDE_FILES} ${CMAKE_CURRENT_LIST_FILE}
    COMMENT "Building the user guide (parvane.chm and Web Help)"
    VERBATIM)
add_custom_target(parvane_guide ALL DEPENDS ${guide_stamp})
# The Web Help frame pages come from the build tree's program folder.
add_dependencies(parvane_guide parvane-cli parvane_support)

# The guide is whole: every topic page is in the .chm, every link and picture resolves.
if(PARVANE_TESTS)
    enable_testing()
    add_test(NAME guide_whole
        COMMAND bash ${PROJECT_SOURCE_DIR}/tests/guide/guide_test.sh
                ${PARVANE_GUIDE_PROJECT} ${PARVANE_GUIDE_CHM} ${PARVANE_GUIDE_WEBHELP})
    set_tests_properties(guide_whole PROPERTIES TIMEOUT 120 LABELS guide)
endif()
