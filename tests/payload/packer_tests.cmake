# Host-side tests of the payload tools, included by cmake/KitTests.cmake.
set(payload_tests_dir "${CMAKE_CURRENT_LIST_DIR}")

add_test(NAME payload.PackPayload
  COMMAND Python3::Interpreter "${payload_tests_dir}/test_pack_payload.py")
add_test(NAME payload.MakeIcon
  COMMAND Python3::Interpreter "${payload_tests_dir}/test_make_icon.py")
# The folder the 64-bit tree assembles must be one the packer accepts.
add_test(NAME payload.DefaultApplicationFolderPacks
  COMMAND Python3::Interpreter "${CMAKE_SOURCE_DIR}/tools/pack_payload.py"
          --app-dir "${CMAKE_BINARY_DIR}/x86_64/app"
          --output "${CMAKE_BINARY_DIR}/payload-check/payload.zip")
set_tests_properties(payload.PackPayload payload.MakeIcon payload.DefaultApplicationFolderPacks PROPERTIES
  LABELS payload TIMEOUT 120)
