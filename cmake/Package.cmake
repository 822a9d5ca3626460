# The Debian package: `cpack -G DEB` in the build directory makes sparkler_VERSION_ARCH.deb
# from the install rules. Its dependencies are worked out by dpkg-shlibdeps from the
# libraries the programs link, plus a font for the help panel (fontconfig finds any of them).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sparkler)
set(CPACK_PACKAGE_VENDOR "The Sparkler developers")
set(CPACK_PACKAGE_CONTACT "The Sparkler developers <dev@sparklerdemo.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "hand-held sparkler with smoke, carried by the mouse")
set(CPACK_PACKAGE_DESCRIPTION "A full-screen particle demo: a burning sparkler over a night lake follows\n\
the mouse, throwing thousands of sparks that fall, fade and burst again,\n\
with a column of smoke and a crackle that moves left and right with it.\n\
Keys switch smoke, sparks, colours, gravity, trails and the background.\n\
.\n\
sparkler-replay runs the same demo without a screen, deterministically,\n\
and renders its frames to PNG pictures, a trace and a wave file.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${SPARKLER_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2 | fonts-liberation | fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS xscreensaver)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebianGames.cmake)
include(CPack)
