# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package (`make deb`): CPack's DEB generator over the install rules.
set(QUARN_PACKAGE_MAINTAINER "Quarn Workbench developers <quarn-workbench@users.noreply.invalid>"
    CACHE STRING "The Maintainer field of the Debian package and its changelog")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quarn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QUARN_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "live-coding workbench for sound")
set(CPACK_PACKAGE_DESCRIPTION "Quarn Workbench plays scripts written in Quarn, a small language whose
message sends drive a monophonic sawtooth voice through a low-pass filter and
a bundled drum kit, timed with waits, with async blocks side by side.
.
The workbench window holds an editor, a Compile and Run button, a halt button
and a console; the quarn command runs, checks and renders the same scripts
without the window, to WAV, FLAC or Ogg files, faster than real time.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# dpkg-shlibdeps names the libraries the programs and the device module link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# It cannot see what is loaded with dlopen, so those are named here: libsndfile
# (opened by its soname on the first decode or render) and Qt's platform
# plugins (opened by Qt when the window starts).
set(QUARN_DLOPEN_DEPENDS "libsndfile1 (>= 1.0.20)")
if(QUARN_BUILD_WORKBENCH)
  string(APPEND QUARN_DLOPEN_DEPENDS ", qt6-qpa-plugins")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS ${QUARN_DLOPEN_DEPENDS})
include(CPack)
