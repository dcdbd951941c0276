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
# Runs a tool that prints one line, a value and then where it came from;
# when the tool refuses, configuring stops with the tool's own words.
function(orvicap_decided_value value_variable line_variable refusal)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE line ERROR_VARIABLE problem
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT result EQUAL 0)
    string(STRIP "${problem}" problem)
    message(FATAL_ERROR "${refusal}:\n  ${problem}")
  endif()
  string(REGEX REPLACE " .*" "" value "${line}")
  set(${value_variable} "${value}" PARENT_SCOPE)
  set(${line_variable} "${line}" PARENT_SCOPE)
endfunction()

# The version the installer carries: ORVICAP_VERSION when given, else the
# ProductVersion of the application folder's main program, else 1.0.0.0.
# A malformed one stops the build here, before anything is built.
set(ORVICAP_VERSION "" CACHE STRING
    "Version of the release (A.B.C.D) the installer shows and registers; empty takes the main program's ProductVersion")
set(product_version 1.0.0.0)
if(ORVICAP_VERSION OR ORVICAP_APPLICATION_DIR)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(version_args)
  if(ORVICAP_VERSION)
    set(version_args "--version=${ORVICAP_VERSION}" --given-as=ORVICAP_VERSION)
  endif()
  if(ORVICAP_APPLICATION_DIR)
    list(APPEND version_args --app-dir "${ORVICAP_APPLICATION_DIR}")
    # A main program built again with another version configures again.
    if(NOT ORVICAP_APPLICATION_DIR MATCHES ";")
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${ORVICAP_APPLICATION_DIR}/bin/64bit/Orvicap.exe")
    endif()
  endif()
  orvicap_decided_value(product_version version_line "The release's version is refused"
    ${Python3_EXECUTABLE} "${CMAKE_SOURCE_DIR}/tools/product_version.py" ${version_args})
  message(STATUS "The installer carries version ${version_line}")
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
# tools/kit run builds no tests, but shows the 64-bit copy of the installer
# where Wine cannot start the 32-bit one.
option(ORVICAP_SHOWN_COPY "Build the 64-bit copy of the installer side even without the tests, where the tests would use it" OFF)
set(test_copies OFF)
set(i686_tests ${ORVICAP_BUILD_TESTS})
if(ORVICAP_TEST_ARCH STREQUAL "x86_64" AND (ORVICAP_BUILD_TESTS OR ORVICAP_SHOWN_COPY))
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
include(cmake/SignSettings.cmake)
# The settings go to the signing step as a file of NAME=VALUE lines, each
# value whole: handed on as CMake arguments, a ";" in a description, a web
# address or a path would split it.  Written only when it changes.
set(sign_settings_dir "${CMAKE_BINARY_DIR}/signing")
set(sign_settings_file "${sign_settings_dir}/settings.txt")
set(sign_stamp "${sign_settings_dir}/settings.stamp")
set(sign_settings_text "")
foreach(setting IN LISTS ORVICAP_SIGN_SETTINGS)
  set(ORVICAP_SIGN_${setting} "" CACHE STRING "${sign_help_${setting}}")
  set(value "${ORVICAP_SIGN_${setting}}")
  if(value MATCHES "\n")
    message(FATAL_ERROR "Signing settings refused:\n  ORVICAP_SIGN_${setting} holds a line break")
  endif()
  string(APPEND sign_settings_text "ORVICAP_SIGN_${setting}=${value}\n")
endforeach()
# The signing time of a signature made without a time-stamp server; left out
# of unsigned builds, so that a new commit does not make them copy again.
set(signing_requested OFF)
if(ORVICAP_SIGN_PKCS12 OR ORVICAP_SIGN_CERT OR ORVICAP_SIGN_KEY)
  set(signing_requested ON)
  orvicap_decided_value(signing_time time_line "No signing time"
    "${CMAKE_SOURCE_DIR}/tools/signing_time.sh" "${CMAKE_SOURCE_DIR}")
  string(APPEND sign_settings_text "SOURCE_DATE_EPOCH=${signing_time}\n")
endif()
set(old_settings_text "")
if(EXISTS "${sign_settings_file}")
  file(READ "${sign_settings_file}" old_settings_text)
endif()
if(NOT old_settings_text STREQUAL sign_settings_text)
  file(WRITE "${sign_settings_file}" "${sign_settings_text}")
endif()
if(signing_requested)
  execute_process(COMMAND "${CMAKE_SOURCE_DIR}/tools/sign_program.sh" "${sign_settings_file}" --check
                  RESULT_VARIABLE sign_check ERROR_VARIABLE sign_problem)
  if(NOT sign_check EQUAL 0)
    string(STRIP "${sign_problem}" sign_problem)
    message(FATAL_ERROR "Signing settings refused:\n  ${sign_problem}")
  endif()
  if(ORVICAP_SIGN_TIMESTAMP_URL)
    message(STATUS "The programs are signed, time-stamped by ${ORVICAP_SIGN_TIMESTAMP_URL}")
  else()
    message(STATUS "The programs are signed, with the signing time ${time_line}")
  endif()
else()
  message(STATUS "No signing certificate given (ORVICAP_SIGN_PKCS12 or ORVICAP_SIGN_CERT): the programs are built unsigned")
endif()
# Refreshed at every build, so that a certificate file changed since
# configuring signs the programs again.
add_custom_target(signing_stamp
  COMMAND "${CMAKE_SOURCE_DIR}/tools/sign_program.sh" "${sign_settings_file}" --stamp "${sign_stamp}"
  BYPRODUCTS "${sign_stamp}"
  VERBATIM)

set(common_args
  -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
  -DORVICAP_PRODUCT_VERSION=${product_version}
  -DORVICAP_SIGN_SETTINGS_FILE=${sign_settings_file}
  -DORVICAP_SIGN_STAMP=${sign_stamp})
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
  USES_TERMINAL_BUILD ON
  DEPENDS signing_stamp)

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
  DEPENDS x86_64 signing_stamp)

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
