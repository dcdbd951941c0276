# Checks on the built programs that run on this machine itself rather than
# under Wine.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(import_checker "${CMAKE_SOURCE_DIR}/tests/kit/check_imports.py")

set(shipped_programs)
foreach(program IN LISTS kit_programs)
  get_filename_component(name "${program}" NAME)
  list(APPEND shipped_programs "${kit_dir}/${name}")
endforeach()

add_test(NAME kit.ProgramsImportOnlyDllsWindowsLoadsFromSystem32
  COMMAND Python3::Interpreter "${import_checker}"
          --shipped ${shipped_programs}
          --built "${CMAKE_BINARY_DIR}/x86_64" "${CMAKE_BINARY_DIR}/i686")

# The checker must see a compiler runtime DLL when one is imported.
add_test(NAME kit.ImportCheckRejectsProgramNeedingCompilerRuntime
  COMMAND Python3::Interpreter "${import_checker}"
          --shipped "${CMAKE_BINARY_DIR}/x86_64/tests/import-check-fixture/runtime_dll_probe.exe")
set_tests_properties(kit.ImportCheckRejectsProgramNeedingCompilerRuntime PROPERTIES
  PASS_REGULAR_EXPRESSION "FAIL [^\n]*runtime_dll_probe.exe imports [^\n]*libstdc\\+\\+-6.dll")
set_tests_properties(kit.ProgramsImportOnlyDllsWindowsLoadsFromSystem32
                     kit.ImportCheckRejectsProgramNeedingCompilerRuntime PROPERTIES LABELS kit)

# ASLR, DEP, high-entropy ASLR on 64-bit, large-address-aware on 32-bit, no
# debug sections, no link time stamp: read from the programs as they ship.
add_test(NAME kit.ShippedProgramsAreHardenedStrippedAndUnstamped
  COMMAND Python3::Interpreter "${CMAKE_SOURCE_DIR}/tests/kit/check_hardening.py" ${shipped_programs})
# The check must see each flag missing: copies of the programs without them.
add_test(NAME kit.HardeningCheckRejectsProgramsWithoutTheFlags
  COMMAND Python3::Interpreter "${CMAKE_SOURCE_DIR}/tests/kit/test_check_hardening.py" ${shipped_programs})
set_tests_properties(kit.ShippedProgramsAreHardenedStrippedAndUnstamped
                     kit.HardeningCheckRejectsProgramsWithoutTheFlags PROPERTIES LABELS kit)

include("${CMAKE_SOURCE_DIR}/tests/payload/packer_tests.cmake" OPTIONAL)

# The main command on a machine without a display, in a prefix made for it.
if(ORVICAP_TEST_ARCH STREQUAL "i686")
  set(shown_installer "${kit_dir}/VLInstaller.exe")
else()
  set(shown_installer "${CMAKE_BINARY_DIR}/x86_64/installer/VLInstaller.exe")
endif()
add_test(NAME kit.MainCommandShowsInstallerWindowOnNewPrefix
  COMMAND "${CMAKE_SOURCE_DIR}/tests/kit/main_command_test.sh"
          "${shown_installer}" "${CMAKE_BINARY_DIR}/main-command-test")
set_tests_properties(kit.MainCommandShowsInstallerWindowOnNewPrefix PROPERTIES
  LABELS kit TIMEOUT 600 COST 500)

# The signing step with each form of certificate (an RC2-40 PKCS#12 file among
# them), and the signing time wherever the sources come from; it signs copies
# of the updater as built, before the kit's own signing step.
add_test(NAME kit.SigningAcceptsRealCertificatesAndStaysReproducible
  COMMAND Python3::Interpreter "${CMAKE_SOURCE_DIR}/tests/kit/test_signing.py"
          "${CMAKE_BINARY_DIR}/x86_64/updater/VLUpdater.exe")
set_tests_properties(kit.SigningAcceptsRealCertificatesAndStaysReproducible PROPERTIES LABELS kit TIMEOUT 300)
