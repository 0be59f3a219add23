# A test that the project's C++ follows the root .clang-format. Debian's clang-format is the
# reference: another release may lay out a few constructs differently. `clang-format -i FILE`
# mends a file that fails.
find_program(VELTO_CLANG_FORMAT clang-format REQUIRED)
set(velto_cxx_globs "")
foreach(dir src sandbox tests bench tools)
    list(APPEND velto_cxx_globs "${CMAKE_SOURCE_DIR}/${dir}/*.cpp" "${CMAKE_SOURCE_DIR}/${dir}/*.h")
endforeach()
file(GLOB_RECURSE velto_cxx_files CONFIGURE_DEPENDS RELATIVE "${CMAKE_SOURCE_DIR}" ${velto_cxx_globs})
add_test(NAME format_cpp COMMAND "${VELTO_CLANG_FORMAT}" --dry-run --Werror ${velto_cxx_files}
         WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}")
# Run after every other test (CTest runs the costliest first): a fault that also breaks the layout
# is better reported by the test of its behaviour.
set_tests_properties(format_cpp PROPERTIES LABELS lint COST -1)
