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

configure_file("${resources_dir}/VLInstaller.rc.in" "${generated_dir}/VLInstaller.rc" @ONLY)

# The function below runs in the callers' directories, which see these only
# through the cache.
set(ORVICAP_INSTALLER_RC "${generated_dir}/VLInstaller.rc" CACHE INTERNAL "")
set(ORVICAP_INSTALLER_RC_INPUTS
    "${installer_icon};${installer_payload};${installer_uninstaller};${resources_dir}/VLInstaller.manifest"
    CACHE INTERNAL "")

# Gives a target the installer's resources; the installer itself, and the test
# programs that check them.
function(orvicap_installer_resources target)
  target_sources(${target} PRIVATE "${ORVICAP_INSTALLER_RC}")
  set_property(SOURCE "${ORVICAP_INSTALLER_RC}" APPEND PROPERTY OBJECT_DEPENDS ${ORVICAP_INSTALLER_RC_INPUTS})
  add_dependencies(${target} installer_resource_files uninstall_shipped)
endfunction()
