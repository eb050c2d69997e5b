# Run by the clang-format test: fails when any .h or .cpp file of ours differs from what
# clang-format makes of it. The files are listed when the test runs, so a new file counts
# at once. Our folders are the top-level ones with a CMakeLists.txt; build folders have none.
file(GLOB folders "${SOURCE_DIR}/*/CMakeLists.txt")
set(files)
foreach(listfile IN LISTS folders)
  get_filename_component(folder "${listfile}" DIRECTORY)
  file(GLOB_RECURSE found "${folder}/*.h" "${folder}/*.cpp")
  list(APPEND files ${found})
endforeach()
list(SORT files)
list(LENGTH files count)
if(count EQUAL 0)
  message(FATAL_ERROR "no source files found under ${SOURCE_DIR}")
endif()

execute_process(COMMAND "${CLANG_FORMAT}" --dry-run --Werror ${files} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "these files are not formatted; run clang-format -i on them")
endif()
message(STATUS "${count} files formatted as .clang-format says")
