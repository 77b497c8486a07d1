# SPDX-License-Identifier: Apache-2.0
# Install rules and Debian packaging: the filter goes where the CUPS scheduler
# looks for filters, the PPDs (or the driver information file they are
# compiled from) where its driver lister finds them, the preview tool and the
# printer application into bin, the printer application's systemd unit into
# lib/systemd/system, the manual pages into share/man. `cpack -G DEB` wraps
# the same files into a .deb; debian/ builds the distribution's packages.

# CUPS runs filters from <serverbin>/filter only, so this path is absolute:
# ask cups-config for the server binary directory, or fall back to the usual
# lib/cups below the prefix.
ridev_cups_config(_ridev_serverbin --serverbin "")
if(_ridev_serverbin)
  set(_ridev_filterdir "${_ridev_serverbin}/filter")
else()
  set(_ridev_filterdir "lib/cups/filter")
endif()
set(RIDEV_CUPS_FILTERDIR "${_ridev_filterdir}" CACHE PATH
    "Directory the CUPS filter is installed into (CUPS's ServerBin/filter)")
set(RIDEV_PPDDIR "${CMAKE_INSTALL_DATADIR}/ppd/ridevedudaruzo" CACHE PATH
    "Directory the PPD files are installed into")
# With RIDEV_INSTALL_DRV the scheduler compiles the PPDs itself from the
# driver information file in share/cups/drv (models drv:///ridevedudaruzo.drv/
# ridevN.ppd), so an upgrade of the file reaches existing queues through
# their PPD updater; without it the precompiled PPDs are installed.
option(RIDEV_INSTALL_DRV "Install the driver information file instead of the PPDs" OFF)
set(RIDEV_SYSTEMD_UNITDIR "lib/systemd/system" CACHE PATH
    "Directory the printer application's systemd unit is installed into")

# The scheduler refuses to run a filter that is group- or world-writable.
set(_ridev_exec_perms
    OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)

install(TARGETS ridevedudaruzo
        RUNTIME DESTINATION "${RIDEV_CUPS_FILTERDIR}"
        PERMISSIONS ${_ridev_exec_perms})
install(TARGETS ridevedudaruzo-preview ridevedudaruzo-printer-app
        RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}"
        PERMISSIONS ${_ridev_exec_perms})
# The printer application's systemd unit names the program by its installed
# path, which is only known at install time (cmake --install --prefix, or the
# package's /usr).
set(_ridev_unit_in "${PROJECT_SOURCE_DIR}/printerapp/ridevedudaruzo-printer-app.service.in")
set(_ridev_unit "${PROJECT_BINARY_DIR}/printerapp/ridevedudaruzo-printer-app.service")
install(CODE "
  set(RIDEV_APP_PATH \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/ridevedudaruzo-printer-app\")
  configure_file(\"${_ridev_unit_in}\" \"${_ridev_unit}\" @ONLY)
")
install(FILES "${_ridev_unit}"
        DESTINATION "${RIDEV_SYSTEMD_UNITDIR}"
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
if(RIDEV_INSTALL_DRV)
  install(FILES "${PROJECT_SOURCE_DIR}/ppd/ridevedudaruzo.drv"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/cups/drv"
          PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
else()
  get_property(_ridev_ppds GLOBAL PROPERTY RIDEV_PPD_FILES)
  install(FILES ${_ridev_ppds}
          DESTINATION "${RIDEV_PPDDIR}"
          PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endif()
install(FILES "${PROJECT_SOURCE_DIR}/man/ridevedudaruzo-preview.1"
        DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${PROJECT_SOURCE_DIR}/man/ridevedudaruzo.8"
              "${PROJECT_SOURCE_DIR}/man/ridevedudaruzo-printer-app.8"
        DESTINATION "${CMAKE_INSTALL_MANDIR}/man8")
# The administrator's logging configuration, every setting at the filter's
# default. It lives in the CUPS server root, whatever the prefix.
install(FILES "${PROJECT_SOURCE_DIR}/filter/logging.conf"
        DESTINATION "${RIDEV_CUPS_SERVERROOT}/ridevedudaruzo"
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(FILES "${PROJECT_SOURCE_DIR}/examples/sample.pdf"
        DESTINATION "${CMAKE_INSTALL_DOCDIR}/examples")

# Debian package.
set(CPACK_PACKAGE_NAME "ridevedudaruzo")
set(CPACK_PACKAGE_VENDOR "ridevedudaruzo developers")
set(CPACK_PACKAGE_CONTACT "ridevedudaruzo developers <ridevedudaruzo@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "CUPS filter and printer application for 9-, 18- and 24-pin ESC/P dot-matrix printers")
set(CPACK_PACKAGE_DESCRIPTION
    "A CUPS filter that turns raster pages into ESC/P bit-image data for\n\
dot-matrix printers with 9-, 18- and 24-pin heads, PPD files for generic\n\
models of each, a printer application that lets any driverless client\n\
(CUPS, phones, other computers) print to such printers over IPP, and a tool\n\
that previews printer data as PNG images.")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "text")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# Shared-library dependencies come from dpkg-shlibdeps; the rest of the
# print chain that turns documents into raster pages is listed here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "cups-filters, cups-filters-core-drivers, ghostscript")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups")
# The logging configuration is the administrator's: a conffile.
set(_ridev_conffiles "${CMAKE_CURRENT_BINARY_DIR}/debian-conffiles/conffiles")
file(WRITE "${_ridev_conffiles}" "${RIDEV_CUPS_SERVERROOT}/ridevedudaruzo/logging.conf\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${_ridev_conffiles}")
include(CPack)
