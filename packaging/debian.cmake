# The Debian package, made by CPack from the install rules (scripts/package.sh runs it).
set(CPACK_GENERATOR DEB)
set(CPACK_VERBATIM_VARIABLES ON) # the description holds quotes
set(CPACK_PACKAGE_NAME shelvix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Shelvix Developers")
set(CPACK_PACKAGE_CONTACT "Shelvix Developers <dev@shelvix.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "disc cataloguer: find on which disc, drive or folder a file lies")
set(CPACK_PACKAGE_DESCRIPTION
"Shelvix reads discs, USB sticks, drives and folders, including the members of
ZIP and RAR archives, into a catalogue, so that you can later find on which
medium a file lies without inserting it. A catalogue holds hundreds of media
and millions of files and opens in an instant, because each medium's tree is
read only when it is needed.

It searches by wildcard mask, size, date and category, keeps categories and
notices for media and files, and imports catalogues of \"Advanced disc
catalog\". The command-line companion shelvix-cli reads, searches and extends
catalogues from scripts.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # shelvix_VERSION_ARCH.deb
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${SHELVIX_HOMEPAGE})
# Depends come from the shared libraries the programs link (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Help > Index opens the manual through the desktop's default browser.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
