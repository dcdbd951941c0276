# Drives the two cross-compiling trees and gathers the shipped programs into
# one kit folder.
include(ExternalProject)

set(MINIZ_SOURCE_DIR "${CMAKE_SOURCE_DIR}/.cache/miniz" CACHE PATH
    "Folder holding miniz.c and miniz.h (miniz 3.0.2)")
option(ORVICAP_BUILD_TESTS "Build the tests and register them with CTest" ON)
set(ORVICAP_APPLICATION_DIR "" CACHE PATH
    "Folder of the real application (holding bin/64bit/Orvicap.exe) to carry instead of the stand-in")
# A folder the packer would refuse is refused now, before anything is built,
# and with the engineer's own paths in the message.
if(ORVICAP_APPLICATION_DIR)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  execute_process(COMMAND ${Python3_EXECUTABLE} "${CMAKE_SOURCE_DIR}/tools/pack_payload.py"
                          --check --updater-supplied --app-dir "${ORVICAP_APPLICATION_DIR}"
                  RESULT_VARIABLE app_check ERROR_VARIABLE app_problems)
  if(NOT app_check EQUAL 0)
    # Indented lines are printed as they are, not re-wrapped, so that each
    # path stays whole on its line.
    string(STRIP "${app_problems}" app_problems)
    string(REPLACE "\n" "\n  " app_problems "${app_problems}")
    message(FATAL_ERROR "The application folder cannot be packed:\n  ${app_problems}")
  endif()
endif()
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE Release CACHE STRING "Build type of both trees" FORCE)
endif()

# Wine runs 32-bit programs only where the machine can run its 32-bit loader;
# some kernels cannot execute 32-bit Linux code at all.  There the installer
# side is tested through 64-bit builds of the same sources.
execute_process(COMMAND /usr/lib/wine/wine --version
                RESULT_VARIABLE wine32_result OUTPUT_QUIET ERROR_QUIET)
if(wine32_result EQUAL 0)
  set(default_test_arch i686)
else()
  set(default_test_arch x86_64)
endif()
set(ORVICAP_TEST_ARCH "${default_test_arch}" CACHE STRING
    "Architecture whose build runs the installer and uninstaller tests (i686 or x86_64)")
message(STATUS "Installer-side tests run in the ${ORVICAP_TEST_ARCH} tree")

set(ORVICAP_WINE_DIR "${CMAKE_BINARY_DIR}/wine")
set(kit_dir "${CMAKE_BINARY_DIR}/kit")
# Only one tree runs the installer-side tests: the 32-bit one where Wine can
# start 32-bit programs, else the 64-bit one with test copies of them.
set(test_copies OFF)
set(i686_tests ${ORVICAP_BUILD_TESTS})
if(ORVICAP_BUILD_TESTS AND ORVICAP_TEST_ARCH STREQUAL "x86_64")
  set(test_copies ON)
  set(i686_tests OFF)
endif()

# Signing: a PKCS#12 file with its password file, or a PEM certificate and
# key; the time-stamp server, description and URL are optional.  Checked now,
# so that a wrong certificate or password stops the build before anything is
# built.
set(sign_help_PKCS12 "PKCS#12 file to sign the programs with")
set(sign_help_PASSWORD_FILE "File holding the password of the PKCS#12 file or of the PEM key")
set(sign_help_CERT "PEM certificate to sign the programs with (with ORVICAP_SIGN_KEY)")
set(sign_help_KEY "PEM key of ORVICAP_SIGN_CERT")
set(sign_help_TIMESTAMP_URL "RFC 3161 time-stamp server for the signatures")
set(sign_help_DESCRIPTION "Description written into the signatures")
set(sign_help_URL "Web address written into the signatures")
set(sign_args)
set(sign_environment)
include(cmake/SignSettings.cmake)
foreach(setting IN LISTS ORVICAP_SIGN_SETTINGS)
  set(ORVICAP_SIGN_${setting} "" CACHE STRING "${sign_help_${setting}}")
  list(APPEND sign_args "-DORVICAP_SIGN_${setting}=${ORVICAP_SIGN_${setting}}")
  list(APPEND sign_environment "ORVICAP_SIGN_${setting}=${ORVICAP_SIGN_${setting}}")
endforeach()
if(ORVICAP_SIGN_PKCS12 OR ORVICAP_SIGN_CERT OR ORVICAP_SIGN_KEY)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env ${sign_environment}
                          "${CMAKE_SOURCE_DIR}/tools/sign_program.sh" --check
                  RESULT_VARIABLE sign_check ERROR_VARIABLE sign_problem)
  if(NOT sign_check EQUAL 0)
    string(STRIP "${sign_problem}" sign_problem)
    message(FATAL_ERROR "Signing settings refused:\n  ${sign_problem}")
  endif()
  message(STATUS "The programs are signed")
else()
  message(STATUS "No signing certificate given (ORVICAP_SIGN_PKCS12 or ORVICAP_SIGN_CERT): the programs are built unsigned")
endif()
# The signing time of a signature made without a time-stamp server.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(source_date_epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(COMMAND git -C "${CMAKE_SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE source_date_epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()

set(common_args
  -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
  -DORVICAP_SOURCE_DATE_EPOCH=${source_date_epoch}
  ${sign_args})
if(ORVICAP_BUILD_TESTS)
  list(APPEND common_args -DORVICAP_WINE_DIR=${ORVICAP_WINE_DIR})
endif()
# Only the trees that build the installer use miniz.
set(i686_args -DMINIZ_SOURCE_DIR=${MINIZ_SOURCE_DIR})
set(x86_64_args)
if(test_copies)
  set(x86_64_args -DMINIZ_SOURCE_DIR=${MINIZ_SOURCE_DIR})
endif()
# The web address the installer's agreement link opens; empty keeps the
# default set in installer/CMakeLists.txt.
set(ORVICAP_LICENSE_URL "" CACHE STRING "Web address the installer's agreement link opens")
if(ORVICAP_LICENSE_URL)
  list(APPEND common_args -DORVICAP_LICENSE_URL=${ORVICAP_LICENSE_URL})
endif()

ExternalProject_Add(x86_64
  SOURCE_DIR "${CMAKE_SOURCE_DIR}"
  BINARY_DIR "${CMAKE_BINARY_DIR}/x86_64"
  CMAKE_ARGS ${common_args}
             -DORVICAP_ARCH=x86_64
             -DORVICAP_APPLICATION_DIR=${ORVICAP_APPLICATION_DIR}
             -DORVICAP_BUILD_TESTS=${ORVICAP_BUILD_TESTS}
             -DORVICAP_TEST_COPIES=${test_copies}
             ${x86_64_args}
             -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/toolchain-x86_64.cmake
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  USES_TERMINAL_BUILD ON)

ExternalProject_Add(i686
  SOURCE_DIR "${CMAKE_SOURCE_DIR}"
  BINARY_DIR "${CMAKE_BINARY_DIR}/i686"
  CMAKE_ARGS ${common_args}
             -DORVICAP_ARCH=i686
             ${i686_args}
             -DORVICAP_APP_DIR=${CMAKE_BINARY_DIR}/x86_64/app
             -DORVICAP_APP_STAMP=${CMAKE_BINARY_DIR}/x86_64/payload/app_folder.stamp
             -DORVICAP_BUILD_TESTS=${i686_tests}
             -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/toolchain-i686.cmake
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  USES_TERMINAL_BUILD ON
  DEPENDS x86_64)

set(kit_programs
  "${CMAKE_BINARY_DIR}/i686/shipped/VLInstaller.exe"
  "${CMAKE_BINARY_DIR}/i686/shipped/uninstall.exe"
  "${CMAKE_BINARY_DIR}/x86_64/shipped/VLUpdater.exe")
add_custom_target(kit ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory "${kit_dir}"
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${kit_programs} "${kit_dir}"
  COMMENT "Gathering the kit in ${kit_dir}"
  VERBATIM)
add_dependencies(kit x86_64 i686)

if(ORVICAP_BUILD_TESTS)
  enable_testing()
  # One ctest run in this folder runs the tests of both trees.
  file(WRITE "${CMAKE_BINARY_DIR}/arch-trees.cmake"
       "subdirs(\"${CMAKE_BINARY_DIR}/x86_64\")\nsubdirs(\"${CMAKE_BINARY_DIR}/i686\")\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${CMAKE_BINARY_DIR}/arch-trees.cmake")
  include(cmake/KitTests.cmake)
endif()
