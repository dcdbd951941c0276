# Settings shared by every program and library of one architecture tree.

# Every program links its C and C++ runtimes in, so that it needs no DLL that
# Windows lacks (libstdc++, libgcc, libwinpthread).
add_link_options(-static)

# Release programs carry no debug sections and no unreferenced code, and two
# builds of one commit give the same bytes: the linker writes no time stamp
# (the PE checksum is derived from the bytes alone) and no build path reaches
# the programs.  ASLR and DEP stay on; the 64-bit programs get high-entropy
# ASLR, and the 32-bit ones may use more than 2 GB of address space, which the
# installer needs to hold a large payload twice (mapped and copied).
add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-ffunction-sections> $<$<COMPILE_LANGUAGE:C,CXX>:-fdata-sections>
                    $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>
                    $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>)
add_link_options(-Wl,--gc-sections -Wl,--no-insert-timestamp -Wl,--dynamicbase -Wl,--nxcompat
                 $<$<CONFIG:Release>:-s>)
if(ORVICAP_ARCH STREQUAL "x86_64")
  add_link_options(-Wl,--high-entropy-va)
else()
  add_link_options(-Wl,--large-address-aware)
endif()

# Applies the project's own warning and Windows settings to a target; third-
# party code (miniz, GoogleTest) keeps its own.  The project's own code is
# optimised for size: none of it is where time goes (that is miniz's inflater,
# the system's drawing and the disk), and it takes a tenth off the installer
# stub.
function(orvicap_target_defaults target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra>
    $<$<AND:$<COMPILE_LANGUAGE:C,CXX>,$<CONFIG:Release>>:-Os>)
  target_compile_definitions(${target} PRIVATE
    UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
    _WIN32_WINNT=0x0A00 WINVER=0x0A00)
endfunction()

# A program whose entry point is wWinMain or wmain.
function(orvicap_unicode_entry target)
  target_link_options(${target} PRIVATE -municode)
endfunction()

# What a shipped program goes out as: ${CMAKE_BINARY_DIR}/shipped/NAME.exe,
# signed when a certificate is set, else a plain copy, made by the target
# NAME_shipped.  Whatever embeds or gathers the program takes this copy, so
# that the updater inside the payload, the uninstaller inside the installer
# and the installer itself all go out signed alike.  The copy is made again
# when the program, the signing settings or the certificate files change, so
# that turning signing on in a build folder cannot leave an unsigned copy
# behind; a failed signing leaves no copy, so the next build tries again.
include("${CMAKE_CURRENT_LIST_DIR}/SignSettings.cmake")
function(orvicap_shipped_program target)
  set(shipped_dir "${CMAKE_BINARY_DIR}/shipped")
  set(shipped "${shipped_dir}/${target}.exe")
  set(environment "SOURCE_DATE_EPOCH=${ORVICAP_SOURCE_DATE_EPOCH}")
  set(certificate_files)
  foreach(setting IN LISTS ORVICAP_SIGN_SETTINGS)
    list(APPEND environment "ORVICAP_SIGN_${setting}=${ORVICAP_SIGN_${setting}}")
    if(setting IN_LIST ORVICAP_SIGN_FILE_SETTINGS AND ORVICAP_SIGN_${setting})
      list(APPEND certificate_files "${ORVICAP_SIGN_${setting}}")
    endif()
  endforeach()
  # The signing step's whole environment, written only when it changes, so
  # that the file's time tells when the settings did.
  set(settings_file "${shipped_dir}/sign-settings.txt")
  list(JOIN environment "\n" settings_text)
  file(CONFIGURE OUTPUT "${settings_file}" CONTENT "${settings_text}\n")
  add_custom_command(OUTPUT "${shipped}"
    COMMAND ${CMAKE_COMMAND} -E rm -f "${shipped}"
    COMMAND ${CMAKE_COMMAND} -E env ${environment}
            "${CMAKE_SOURCE_DIR}/tools/sign_program.sh" "$<TARGET_FILE:${target}>" "${shipped}"
    DEPENDS ${target} "${settings_file}" "${CMAKE_SOURCE_DIR}/tools/sign_program.sh" ${certificate_files}
    COMMENT "Making the shipped ${target}.exe"
    VERBATIM)
  add_custom_target(${target}_shipped ALL DEPENDS "${shipped}")
endfunction()
