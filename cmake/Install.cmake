# What an installed application brings along: the device rule, the menu entry,
# the software centre's description, the icons, the manual pages and the
# command line's completion. The programs themselves are installed by src/app
# and src/cli.

include(GNUInstallDirs)

# The name the desktop entry, the AppStream description and the icon share.
set(ML_APP_ID example.marlevo.MicSettings)

# udev reads rules from /etc, /run and its own library folder, never from one
# under /usr/local: the rule goes where udev reads it, whatever the prefix.
set(ML_UDEV_RULES_DIR "" CACHE PATH
    "Folder for the microphone's udev rule (empty: /usr/lib/udev/rules.d for the prefix /usr, else the rules folder of pkg-config's udev module, else /etc/udev/rules.d)")
set(ml_udev_rules_dir "${ML_UDEV_RULES_DIR}")
if(NOT ml_udev_rules_dir)
    if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
        set(ml_udev_rules_dir /usr/lib/udev/rules.d)
    else()
        pkg_get_variable(ml_udev_dir udev udevdir)
        if(ml_udev_dir)
            set(ml_udev_rules_dir "${ml_udev_dir}/rules.d")
        else()
            set(ml_udev_rules_dir /etc/udev/rules.d)
        endif()
    endif()
endif()
message(STATUS "udev rule goes to ${ml_udev_rules_dir}")

# Lets the logged-in user open the microphone's port and keeps ModemManager off it.
install(FILES resources/udev/70-marlevo-microphone.rules DESTINATION "${ml_udev_rules_dir}")
install(FILES resources/desktop/${ML_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/desktop/${ML_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES resources/man/marlevo-mic-settings.1 resources/man/marlevo-mic.1
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES resources/completion/marlevo-mic DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# Icons: the drawing, and pictures of the usual sizes rendered from it for
# menus that do not scale SVG.
set(ML_ICON_SIZES 16 22 24 32 48 64 128 256)
set(ML_PNG_ICONS AUTO CACHE STRING "Render PNG icons with rsvg-convert: ON, OFF or AUTO (when it is found)")
set_property(CACHE ML_PNG_ICONS PROPERTY STRINGS ON OFF AUTO)
set(ml_icon_svg ${PROJECT_SOURCE_DIR}/resources/icons/${ML_APP_ID}.svg)
install(FILES ${ml_icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
if(ML_PNG_ICONS)
    find_program(ML_RSVG_CONVERT rsvg-convert)
    if(NOT ML_RSVG_CONVERT)
        if(ML_PNG_ICONS STREQUAL "AUTO")
            message(STATUS "rsvg-convert not found (package librsvg2-bin): only the SVG icon is installed")
        else()
            message(FATAL_ERROR "ML_PNG_ICONS=ON needs rsvg-convert (package librsvg2-bin)")
        endif()
    else()
        set(ml_pngs)
        foreach(size IN LISTS ML_ICON_SIZES)
            set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/apps/${ML_APP_ID}.png)
            add_custom_command(OUTPUT ${png}
                COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}/apps
                COMMAND ${ML_RSVG_CONVERT} --width=${size} --height=${size} --output=${png} ${ml_icon_svg}
                DEPENDS ${ml_icon_svg}
                VERBATIM)
            list(APPEND ml_pngs ${png})
        endforeach()
        add_custom_target(ml_icons ALL DEPENDS ${ml_pngs})
        install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
    endif()
endif()

# Checks of what an install puts where, and of the files the desktop reads,
# with the desktop's own validators where they are installed.
add_test(NAME install_layout
    COMMAND ${CMAKE_COMMAND}
        -DBUILD_DIR=${CMAKE_BINARY_DIR}
        -DSTAGE=${CMAKE_BINARY_DIR}/install-check
        -DPREFIX=${CMAKE_INSTALL_PREFIX}
        -DRULES_DIR=${ml_udev_rules_dir}
        -DBINDIR=${CMAKE_INSTALL_BINDIR}
        -DDATADIR=${CMAKE_INSTALL_DATADIR}
        -DMANDIR=${CMAKE_INSTALL_MANDIR}
        -DAPP_ID=${ML_APP_ID}
        -DVERSION=${PROJECT_VERSION}
        -P ${PROJECT_SOURCE_DIR}/cmake/CheckInstall.cmake)
find_program(ML_DESKTOP_FILE_VALIDATE desktop-file-validate)
if(ML_DESKTOP_FILE_VALIDATE)
    add_test(NAME desktop_entry_valid
        COMMAND ${ML_DESKTOP_FILE_VALIDATE} ${PROJECT_SOURCE_DIR}/resources/desktop/${ML_APP_ID}.desktop)
    # It returns success on warnings.
    set_tests_properties(desktop_entry_valid PROPERTIES FAIL_REGULAR_EXPRESSION "warning|error")
endif()
find_program(ML_APPSTREAMCLI appstreamcli)
if(ML_APPSTREAMCLI)
    add_test(NAME metainfo_valid
        COMMAND ${ML_APPSTREAMCLI} validate --no-net ${PROJECT_SOURCE_DIR}/resources/desktop/${ML_APP_ID}.metainfo.xml)
endif()
