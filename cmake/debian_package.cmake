# The Debian package, made by `cpack -G DEB` in a Release build (scripts/package.sh): the program,
# its desktop entry, icon, AppStream metadata, manual page, copyright and changelog.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_VENDOR Tarnwick)
set(CPACK_PACKAGE_CONTACT "${TARNWICK_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "save online video and audio in the format you choose")
# Lines of at most 80 characters, as Debian's tools show them; an empty line starts a paragraph.
set(CPACK_PACKAGE_DESCRIPTION [[
Paste a link, or type words to search, pick Video with a container and a
quality cap or Audio with a format and a bitrate, choose a folder and click
Download.

Tarnwick drives yt-dlp, ffmpeg and deno, installs them itself into a per-user
tools folder, shows a preview of the linked video and speaks 17 languages.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_TARNWICK_STRIP "${CMAKE_STRIP}")
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/strip_sections.cmake")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TARNWICK_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://tarnwick.app/)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# What the binary links comes from dpkg-shlibdeps; libcurl and libarchive are opened with dlopen
# on first use, which it cannot see.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4, libarchive13")
# Tarnwick installs its own yt-dlp and ffmpeg when it finds none.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "yt-dlp, ffmpeg")

include(CPack)
