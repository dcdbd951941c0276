# Settings shared by every program and library of one architecture tree.

# Every program links its C and C++ runtimes in, so that it needs no DLL that
# Windows lacks (libstdc++, libgcc, libwinpthread).
add_link_options(-static)

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
