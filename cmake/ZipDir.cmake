# cmake -DSRC=dir -DOUT=file.xlsx -P ZipDir.cmake
# Zips the parts of a workbook kept as text, with a fixed time stamp so the
# embedded template is the same bytes on every build.
get_filename_component(outdir ${OUT} DIRECTORY)
file(MAKE_DIRECTORY ${outdir})
file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*)
list(SORT files)
# [Content_Types].xml first, as Office writes it.
list(REMOVE_ITEM files "[Content_Types].xml")
list(PREPEND files "[Content_Types].xml")
file(REMOVE ${OUT})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${OUT} --format=zip "--mtime=2008-01-01 00:00:00 UTC" -- ${files}
  WORKING_DIRECTORY ${SRC} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "zipping ${SRC} failed")
endif()
