# The Debian package: CPack's DEB generator over this build's install rules. It packs
# the binaries this build made (no second build from source, as the Debian tooling
# would do), and dpkg-shlibdeps finds the dependencies from them.
#
# Layout on the cafe PC:
#   /usr/bin/quorvel, /usr/bin/quorvel-admin
#   /lib/systemd/system/quorvel.service, quorvel-wm.service (installed, not enabled)
#   /usr/libexec/quorvel/       the display manager's hooks and the guest session's launch agent
#   /usr/share/xsessions/quorvel-guest.desktop   the guest's desktop session
#   /usr/lib/systemd/user/at-spi-dbus-bus.service.d/quorvel.conf
#                               the guest's accessibility bus starts without the display
#   /usr/share/quorvel/         the program's data files; kiosk/ holds the accounts
#                               the hooks use and the templates `quorvel-admin kiosk
#                               setup` installs into /etc (the package itself puts
#                               nothing in /etc: removing it leaves no file behind)
#   /usr/share/doc/quorvel/     README, owner's guide, changelog, copyright
#   desktop entry, icon, man pages
set(pkg "${PROJECT_SOURCE_DIR}/packaging")
set(staged "${PROJECT_BINARY_DIR}/packaging")
file(MAKE_DIRECTORY "${staged}")

# Debian wants manual pages and the changelog compressed, with no time stamp inside.
set(compressed "")
foreach(source IN ITEMS docs/man/quorvel.1 docs/man/quorvel-admin.1 packaging/debian/changelog)
  get_filename_component(name "${source}" NAME)
  add_custom_command(OUTPUT "${staged}/${name}.gz"
    COMMAND gzip -9nc "${PROJECT_SOURCE_DIR}/${source}" > "${staged}/${name}.gz"
    DEPENDS "${PROJECT_SOURCE_DIR}/${source}" VERBATIM)
  list(APPEND compressed "${staged}/${name}.gz")
endforeach()
add_custom_command(OUTPUT "${staged}/quorvel.png"
  COMMAND quorvel-icon 256 "${staged}/quorvel.png"
  DEPENDS quorvel-icon VERBATIM)
add_custom_target(package_files ALL DEPENDS ${compressed} "${staged}/quorvel.png")

install(TARGETS quorvel quorvel-admin RUNTIME DESTINATION bin)
install(FILES "${pkg}/quorvel.desktop" DESTINATION share/applications)
install(FILES "${staged}/quorvel.png" DESTINATION share/icons/hicolor/256x256/apps)
install(FILES "${staged}/quorvel.1.gz" "${staged}/quorvel-admin.1.gz" DESTINATION share/man/man1)
install(FILES README.md docs/owner-guide.md "${pkg}/debian/copyright" "${staged}/changelog.gz"
  DESTINATION share/doc/quorvel)
# Debian 12 keeps system units under /lib.
# The guest's desktop reset: root's, started by the program's request (the path unit)
# or by the end of the guest's session; `quorvel-admin kiosk setup` enables the path.
install(FILES "${pkg}/quorvel.service" "${pkg}/quorvel-wm.service"
  "${pkg}/kiosk/quorvel-guest-reset.path" "${pkg}/kiosk/quorvel-guest-reset.service"
  DESTINATION /lib/systemd/system)
install(TARGETS quorvel-launch-agent RUNTIME DESTINATION libexec/quorvel)
install(PROGRAMS "${pkg}/kiosk/display-setup" "${pkg}/kiosk/session-wrapper" "${pkg}/kiosk/session-cleanup"
  "${pkg}/kiosk/guest-session" "${pkg}/kiosk/guest-reset" "${pkg}/kiosk/window-manager" "${pkg}/kiosk/wait-for-lock"
  DESTINATION libexec/quorvel)
# The guest's desktop session, which LightDM's autologin-session names.
install(FILES "${pkg}/kiosk/quorvel-guest.desktop" DESTINATION share/xsessions)
install(FILES "${pkg}/kiosk/lightdm.conf" "${pkg}/kiosk/xorg-kiosk.conf" "${pkg}/kiosk/openbox-rc.xml"
  "${pkg}/kiosk/kiosk.conf" DESTINATION share/quorvel/kiosk)
# The accessibility bus of the guest's session: its launcher, a user unit, started
# without the display the guest may not write to (the file says why).
install(FILES "${pkg}/kiosk/at-spi-no-display.conf" DESTINATION /usr/lib/systemd/user/at-spi-dbus-bus.service.d
  RENAME quorvel.conf)
# Whatever the program's data folder holds (pages, pictures) goes with it.
if(EXISTS "${PROJECT_SOURCE_DIR}/data")
  install(DIRECTORY data/ DESTINATION share/quorvel)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "Quorvel (DE) developers <maintainers@quorvel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "pay-per-use internet-cafe terminal")
# The long description: CPack puts the summary above it and indents it for the control
# file; an empty line separates paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quorvel (DE) turns a PC into a pay-per-use terminal: a full-screen login
screen locks it, the shared login guest starts a timed, billed session and
the login admin opens the control panel.

The package holds the program, its command-line tool quorvel-admin, a
systemd service that runs the program under an account of its own and
brings it back whenever it ends, and the display manager's hooks that keep
the guest's desktop away from it.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the binaries link is found by dpkg-shlibdeps; these are what the maintainer
# scripts and the display manager's hooks run, and what the guest's session needs for
# websites to be watched: a session bus of its own (the user bus, started by
# systemd at sign-in) and the accessibility bus's launcher.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "adduser, xauth, x11-xserver-utils, x11-utils, procps, dbus-user-session, at-spi2-core")
# Xephyr and setxkbmap for a guest's desktop on a display of its own (kiosk.conf).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "lightdm, openbox, firefox-esr, xserver-xephyr, x11-xkb-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  "${pkg}/debian/postinst;${pkg}/debian/prerm;${pkg}/debian/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_WARN_ON_ABSOLUTE_INSTALL_DESTINATION OFF)
include(CPack)
