# `make package`: a Debian package of the installed tree, built by CPack.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "orvanel")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Orvanel Security")
set(CPACK_PACKAGE_CONTACT "Orvanel Security <info@orvanel.test>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panel of a desktop security suite")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Orvanel starts with the desktop session, stays in the notification area and\n\
drives the engines of the security suite: real-time and on-demand scans,\n\
network protection, backup and database update. Each user's rules, quarantine\n\
and switches are kept in ~/.local/share/orvanel/.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
if(ORVANEL_MAKER_URL)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${ORVANEL_MAKER_URL}")
endif()
# The libraries the programs link (Qt, pugixml, ClamAV's library once the engines use it)
# are found by dpkg-shlibdeps. Qt's window-system plug-ins are a package of their own,
# and the notifier shows its messages through notify-send. The window is drawn for the
# widths of Liberation Sans, whatever the desktop's font; Qt's own boxes speak the
# desktop's language through Qt's translations.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "qt6-qpa-plugins, libnotify-bin, fonts-liberation2, nftables, libnftables1, adduser")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "clamav-freshclam, qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
# Only what the install rules name goes in. The maintainer scripts only create the
# firewall service's user, start or stop the service and, on purge, remove its kept
# policy; removing the package leaves every user's workspace where it is.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  "${CMAKE_CURRENT_LIST_DIR}/postinst;${CMAKE_CURRENT_LIST_DIR}/prerm;${CMAKE_CURRENT_LIST_DIR}/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
