# Installing the plugin and packing it for musicians.
#
# cmake --install follows FENNROW_INSTALL_SCOPE:
#   user    the CLAP and VST3 folders of whoever runs the install, found when
#           the install runs (not when configuring, so a cross build never uses
#           the build machine's folders): ~/.clap and ~/.vst3 on Linux,
#           %LOCALAPPDATA%\Programs\Common\CLAP and ...\VST3 on Windows.
#           Needs no root.
#   system  CMAKE_INSTALL_PREFIX/lib/clap and lib/vst3 (and fennrow-render and
#           fennrow-studio in bin) on Linux, CMAKE_INSTALL_PREFIX/CLAP and VST3
#           on Windows, so that the prefix "C:/Program Files/Common Files"
#           gives the folders hosts search.
# A cross build defaults to system: its install runs on the build machine,
# which has no user plugin folders of the target's kind.
#
# The VST3 plugin is the bundle folder fennrow.vst3, with the module in
# Contents/x86_64-linux/fennrow.so or Contents/x86_64-win/fennrow.vst3.
#
# cpack packs the system layout whatever the scope, from the install component
# "package" that a plain install leaves out: a .deb on Linux (plugins in
# /usr/lib/clap and /usr/lib/vst3, fennrow-render and fennrow-studio in
# /usr/bin), a zip on Windows (the plugins and a read-me). A Windows build
# also makes the installer (target installer, below).
if(CMAKE_CROSSCOMPILING)
  set(fennrow_default_scope system)
else()
  set(fennrow_default_scope user)
endif()
set(FENNROW_INSTALL_SCOPE "${fennrow_default_scope}" CACHE STRING
    "Where cmake --install puts the plugin: user (your CLAP folder) or system (under CMAKE_INSTALL_PREFIX)")
set_property(CACHE FENNROW_INSTALL_SCOPE PROPERTY STRINGS user system)
if(NOT FENNROW_INSTALL_SCOPE MATCHES "^(user|system)$")
  message(FATAL_ERROR "FENNROW_INSTALL_SCOPE is user or system, not '${FENNROW_INSTALL_SCOPE}'")
endif()

# A sanitizer or fuzz build needs its runtime preloaded; a host would fail to
# load it, so it is neither installed nor packed.
if(FENNROW_SANITIZE OR FENNROW_BUILD_FUZZ)
  install(CODE "message(FATAL_ERROR \"This is a sanitizer build, not one to install: use the release preset\")")
  return()
endif()

if(WIN32)
  set(fennrow_system_clap_dir CLAP)
  set(fennrow_package_clap_dir .)
  set(fennrow_system_vst3_dir VST3)
  set(fennrow_package_vst3_dir .)
else()
  set(fennrow_system_clap_dir lib/clap)
  set(fennrow_package_clap_dir lib/clap)
  set(fennrow_system_vst3_dir lib/vst3)
  set(fennrow_package_vst3_dir lib/vst3)
endif()
set(fennrow_vst3_module_dir "fennrow.vst3/Contents/${FENNROW_VST3_ARCH}")
# The install builds nothing itself: the demo workflow builds the VST3 module
# along with the demo.
if(TARGET demo)
  add_dependencies(demo fennrow_vst3_module)
endif()
# The programs beside the plugin: the render host and the studio (Linux).
set(fennrow_programs)
foreach(program fennrow-render fennrow-studio)
  if(TARGET ${program} AND NOT WIN32)
    list(APPEND fennrow_programs ${program})
  endif()
endforeach()

# What cmake --install does.
if(FENNROW_INSTALL_SCOPE STREQUAL "system")
  install(TARGETS fennrow LIBRARY DESTINATION "${fennrow_system_clap_dir}" COMPONENT plugin)
  install(TARGETS fennrow_vst3_module LIBRARY DESTINATION "${fennrow_system_vst3_dir}/${fennrow_vst3_module_dir}"
          COMPONENT plugin)
  if(fennrow_programs)
    install(TARGETS ${fennrow_programs} RUNTIME DESTINATION bin COMPONENT plugin)
  endif()
else()
  if(WIN32)
    set(fennrow_user_base_variable LOCALAPPDATA)
    set(fennrow_user_clap_dir "Programs/Common/CLAP")
    set(fennrow_user_vst3_dir "Programs/Common/VST3")
  else()
    set(fennrow_user_base_variable HOME)
    set(fennrow_user_clap_dir ".clap")
    set(fennrow_user_vst3_dir ".vst3")
  endif()
  install(CODE "
    set(base \"\$ENV{${fennrow_user_base_variable}}\")
    if(base STREQUAL \"\")
      message(FATAL_ERROR \"${fennrow_user_base_variable} is not set, so there is no user CLAP folder to install into; \"
                          \"configure with -DFENNROW_INSTALL_SCOPE=system and install with --prefix instead\")
    endif()
    file(TO_CMAKE_PATH \"\${base}\" base)
    set(folder \"\${base}/${fennrow_user_clap_dir}\")
    set(vst3_folder \"\${base}/${fennrow_user_vst3_dir}/${fennrow_vst3_module_dir}\")
    file(INSTALL \"$<TARGET_FILE:fennrow>\" DESTINATION \"\${folder}\")
    file(INSTALL \"$<TARGET_FILE:fennrow_vst3_module>\" DESTINATION \"\${vst3_folder}\")
    if(CMAKE_INSTALL_DO_STRIP AND NOT \"${CMAKE_STRIP}\" STREQUAL \"\")
      execute_process(COMMAND \"${CMAKE_STRIP}\" \"\$ENV{DESTDIR}\${folder}/$<TARGET_FILE_NAME:fennrow>\")
      execute_process(COMMAND \"${CMAKE_STRIP}\" \"\$ENV{DESTDIR}\${vst3_folder}/$<TARGET_FILE_NAME:fennrow_vst3_module>\")
    endif()
  " COMPONENT plugin)
endif()

# What the packages hold.
install(TARGETS fennrow LIBRARY DESTINATION "${fennrow_package_clap_dir}" COMPONENT package EXCLUDE_FROM_ALL)
install(TARGETS fennrow_vst3_module LIBRARY DESTINATION "${fennrow_package_vst3_dir}/${fennrow_vst3_module_dir}"
        COMPONENT package EXCLUDE_FROM_ALL)
if(fennrow_programs)
  install(TARGETS ${fennrow_programs} RUNTIME DESTINATION bin COMPONENT package EXCLUDE_FROM_ALL)
endif()
if(WIN32)
  install(FILES "${PROJECT_SOURCE_DIR}/cmake/package/README.txt" DESTINATION . COMPONENT package EXCLUDE_FROM_ALL)
endif()

# The Windows installer, fennrow-<version>-windows-x64-setup.exe, made by
# makensis (Debian package nsis) from cmake/package/windows-installer.nsi with
# stripped copies of the two plugins. Without makensis the build leaves it out.
if(WIN32)
  find_program(FENNROW_MAKENSIS makensis)
  if(FENNROW_MAKENSIS)
    set(fennrow_installer_payload "${CMAKE_BINARY_DIR}/installer")
    set(FENNROW_INSTALLER "${CMAKE_BINARY_DIR}/fennrow-${PROJECT_VERSION}-windows-x64-setup.exe")
    set(fennrow_installer_script "${PROJECT_SOURCE_DIR}/cmake/package/windows-installer.nsi")
    add_custom_command(
      OUTPUT "${FENNROW_INSTALLER}"
      COMMAND "${CMAKE_COMMAND}" -E make_directory "${fennrow_installer_payload}"
      COMMAND "${CMAKE_STRIP}" -o "${fennrow_installer_payload}/fennrow.clap" "$<TARGET_FILE:fennrow>"
      COMMAND "${CMAKE_STRIP}" -o "${fennrow_installer_payload}/fennrow.vst3" "$<TARGET_FILE:fennrow_vst3_module>"
      COMMAND "${FENNROW_MAKENSIS}" -V2 -WX "-DVERSION=${PROJECT_VERSION}"
              "-DCLAP_MODULE=${fennrow_installer_payload}/fennrow.clap"
              "-DVST3_MODULE=${fennrow_installer_payload}/fennrow.vst3"
              "-DOUTFILE=${FENNROW_INSTALLER}" "${fennrow_installer_script}"
      DEPENDS fennrow fennrow_vst3_module "${fennrow_installer_script}"
      COMMENT "Making the Windows installer ${FENNROW_INSTALLER}"
      VERBATIM)
    add_custom_target(installer ALL DEPENDS "${FENNROW_INSTALLER}")
  else()
    message(STATUS "makensis not found (Debian package nsis): no Windows installer")
  endif()
endif()

# cpack and the install target build nothing themselves: the package workflow
# builds just the plugin and the programs first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(CPACK_PACKAGE_NAME fennrow)
set(CPACK_PACKAGE_VENDOR Brightmoss)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "A bass you play: a clean mono sub under everything else")
set(CPACK_PACKAGE_CONTACT "Brightmoss")
# Only the package component, as one package: a monolithic cpack would run the
# plain install instead.
set(CPACK_COMPONENTS_ALL package)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_STRIP_FILES ON)
set(CPACK_VERBATIM_VARIABLES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "fennrow-${PROJECT_VERSION}-windows-x64")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  # The labels of fennrow-render's pictures.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-dejavu-core)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "fennrow is a monophonic bass synthesizer that music hosts load as a CLAP or VST3 plugin, with\nfennrow-render, an offline host that renders its sounds to WAV and pictures, and\nfennrow-studio, a sound-design page served on the loopback interface.")
  # dpkg-shlibdeps names the libraries the programs link (libsndfile,
  # FFTW, Cairo) and the C++ runtime, with the versions this build needs.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
endif()
include(CPack)
