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
# party code (miniz, GoogleTest) keeps its own.
function(orvicap_target_defaults target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra>)
  target_compile_definitions(${target} PRIVATE
    UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
    _WIN32_WINNT=0x0A00 WINVER=0x0A00)
endfunction()

# A program whose entry point is wWinMain or wmain.
function(orvicap_unicode_entry target)
  target_link_options(${target} PRIVATE -municode)
endfunction()
