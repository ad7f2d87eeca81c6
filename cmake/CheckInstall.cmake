# Installs a build into a staging folder, as `cmake --install` with the
# build's own prefix would install it, and checks that every file lands where
# the system looks for it: above all the device rule in a folder udev reads.
#
# cmake -DBUILD_DIR=... -DSTAGE=... -DPREFIX=... -DRULES_DIR=... -DBINDIR=...
#       -DDATADIR=... -DMANDIR=... -DAPP_ID=... -DVERSION=... -P CheckInstall.cmake

cmake_policy(VERSION 3.25)

file(REMOVE_RECURSE "${STAGE}")
set(ENV{DESTDIR} "${STAGE}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed:\n${output}")
endif()

set(failures "")
macro(expect_file path)
    if(NOT EXISTS "${STAGE}${path}")
        string(APPEND failures "missing: ${path}\n")
    endif()
endmacro()

# The folders udev reads rules from (udev(7)); /lib is /usr/lib on merged systems.
set(udev_reads /etc/udev/rules.d /run/udev/rules.d /usr/lib/udev/rules.d /lib/udev/rules.d)
if(NOT RULES_DIR IN_LIST udev_reads)
    string(APPEND failures "udev never reads rules from ${RULES_DIR}\n")
endif()
expect_file("${RULES_DIR}/70-marlevo-microphone.rules")
if(NOT PREFIX STREQUAL "/usr" AND EXISTS "${STAGE}${PREFIX}/lib/udev")
    string(APPEND failures "a rule under ${PREFIX}/lib/udev, where udev does not look\n")
endif()

expect_file("${PREFIX}/${BINDIR}/marlevo-mic-settings")
expect_file("${PREFIX}/${DATADIR}/applications/${APP_ID}.desktop")
expect_file("${PREFIX}/${DATADIR}/icons/hicolor/scalable/apps/${APP_ID}.svg")
expect_file("${PREFIX}/${MANDIR}/man1/marlevo-mic-settings.1")
expect_file("${PREFIX}/${BINDIR}/marlevo-mic")
expect_file("${PREFIX}/${MANDIR}/man1/marlevo-mic.1")
expect_file("${PREFIX}/${DATADIR}/bash-completion/completions/marlevo-mic")
set(metainfo "${PREFIX}/${DATADIR}/metainfo/${APP_ID}.metainfo.xml")
expect_file("${metainfo}")
if(EXISTS "${STAGE}${metainfo}")
    # Software centres show the newest release: it must be this one.
    file(READ "${STAGE}${metainfo}" text)
    if(NOT text MATCHES "<release version=\"${VERSION}\"")
        string(APPEND failures "${metainfo} has no release ${VERSION}\n")
    endif()
endif()

file(REMOVE_RECURSE "${STAGE}")
if(failures)
    message(FATAL_ERROR "install layout:\n${failures}")
endif()
message(STATUS "install layout: the rule goes to ${RULES_DIR}; every file in place")
