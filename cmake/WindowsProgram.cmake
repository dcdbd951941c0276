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
# and the installer itself all go out signed alike.  The superbuild writes the
# signing settings to ORVICAP_SIGN_SETTINGS_FILE (read by the signing step
# itself, so that no value passes through a CMake list and splits at ";") and
# keeps ORVICAP_SIGN_STAMP, which changes with the settings and the
# certificate files, so that turning signing on in a build folder cannot leave
# an unsigned copy behind; a failed signing leaves no copy, so the next build
# tries again.
function(orvicap_shipped_program target)
  set(shipped "${CMAKE_BINARY_DIR}/shipped/${target}.exe")
  file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/shipped")
  add_custom_command(OUTPUT "${shipped}"
    COMMAND ${CMAKE_COMMAND} -E rm -f "${shipped}"
    COMMAND "${CMAKE_SOURCE_DIR}/tools/sign_program.sh" "${ORVICAP_SIGN_SETTINGS_FILE}"
            "$<TARGET_FILE:${target}>" "${shipped}"
    DEPENDS ${target} "${ORVICAP_SIGN_STAMP}" "${CMAKE_SOURCE_DIR}/tools/sign_program.sh"
    COMMENT "Making the shipped ${target}.exe"
    VERBATIM)
  add_custom_target(${target}_shipped ALL DEPENDS "${shipped}")
endfunction()
