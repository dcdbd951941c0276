# The installer's resources: manifest, icon, version block, and the three
# RT_RCDATA resources it writes out (101 the payload archive packed from the
# application folder, 102 the built uninstaller, 103 the icon file).
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(resources_dir "${CMAKE_CURRENT_LIST_DIR}")
set(generated_dir "${CMAKE_CURRENT_BINARY_DIR}/resources")

# The application folder: assembled by this tree's payload build, or, in the
# 32-bit tree, handed over from the 64-bit tree that builds the application.
if(ORVICAP_APP_DIR)
  set(app_dir "${ORVICAP_APP_DIR}")
  set(app_dependencies "${ORVICAP_APP_STAMP}")
else()
  set(app_dir "${ORVICAP_APP_FOLDER}")
  set(app_dependencies app_folder "${CMAKE_BINARY_DIR}/payload/app_folder.stamp")
endif()

set(installer_icon "${generated_dir}/app.ico")
set(installer_payload "${generated_dir}/payload.zip")
# The uninstaller as it ships (signed when the kit is); a path known now, so
# that the resource object can depend on the file.
set(installer_uninstaller "${CMAKE_BINARY_DIR}/shipped/uninstall.exe")

add_custom_command(OUTPUT "${installer_icon}"
  COMMAND Python3::Interpreter "${CMAKE_SOURCE_DIR}/installer/resources/make_icon.py" --ico64 "${installer_icon}"
  DEPENDS "${CMAKE_SOURCE_DIR}/installer/resources/make_icon.py"
  COMMENT "Drawing the installer's icon"
  VERBATIM)
add_custom_command(OUTPUT "${installer_payload}"
  COMMAND Python3::Interpreter "${CMAKE_SOURCE_DIR}/tools/pack_payload.py"
          --app-dir "${app_dir}" --output "${installer_payload}"
  DEPENDS "${CMAKE_SOURCE_DIR}/tools/pack_payload.py" ${app_dependencies}
  COMMENT "Packing the application folder ${app_dir}"
  VERBATIM)
add_custom_target(installer_resource_files DEPENDS "${installer_icon}" "${installer_payload}")

# The release's version, decided by the superbuild; it goes into the version
# block's version strings and fixed version numbers, and nowhere else.
set(ORVICAP_PRODUCT_VERSION "1.0.0.0" CACHE STRING "Version the installer shows and registers (A.B.C.D)")

# Writes the installer's resource script for one version to rc_file.  Called
# from other directories too, so it takes the resources' paths from the cache.
function(orvicap_configure_installer_rc rc_file version)
  set(version_text "${version}")
  string(REPLACE "." ", " version_numbers "${version}")
  set(resources_dir "${ORVICAP_INSTALLER_RESOURCES_DIR}")
  set(installer_icon "${ORVICAP_INSTALLER_ICON}")
  set(installer_payload "${ORVICAP_INSTALLER_PAYLOAD}")
  set(installer_uninstaller "${ORVICAP_INSTALLER_UNINSTALLER}")
  configure_file("${resources_dir}/VLInstaller.rc.in" "${rc_file}" @ONLY)
endfunction()

set(ORVICAP_INSTALLER_RESOURCES_DIR "${resources_dir}" CACHE INTERNAL "")
set(ORVICAP_INSTALLER_ICON "${installer_icon}" CACHE INTERNAL "")
set(ORVICAP_INSTALLER_PAYLOAD "${installer_payload}" CACHE INTERNAL "")
set(ORVICAP_INSTALLER_UNINSTALLER "${installer_uninstaller}" CACHE INTERNAL "")
orvicap_configure_installer_rc("${generated_dir}/VLInstaller.rc" "${ORVICAP_PRODUCT_VERSION}")

# The function below runs in the callers' directories, which see these only
# through the cache.
set(ORVICAP_INSTALLER_RC "${generated_dir}/VLInstaller.rc" CACHE INTERNAL "")
set(ORVICAP_INSTALLER_RC_INPUTS
    "${installer_icon};${installer_payload};${installer_uninstaller};${resources_dir}/VLInstaller.manifest"
    CACHE INTERNAL "")

# Gives a target the installer's resources; the installer itself, and the test
# programs that check them.  VERSION gives a copy whose version block carries
# another version than the release's.
function(orvicap_installer_resources target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "VERSION" "")
  set(rc "${ORVICAP_INSTALLER_RC}")
  if(arg_VERSION)
    set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources/VLInstaller.rc")
    orvicap_configure_installer_rc("${rc}" "${arg_VERSION}")
  endif()
  target_sources(${target} PRIVATE "${rc}")
  set_property(SOURCE "${rc}" APPEND PROPERTY OBJECT_DEPENDS ${ORVICAP_INSTALLER_RC_INPUTS})
  add_dependencies(${target} installer_resource_files uninstall_shipped)
endfunction()
