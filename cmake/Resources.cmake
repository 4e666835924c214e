# Embeds every file under resources/embed/<TYPE>/<name> (and every template
# workbook that the build zips from resources/templates/) into the core as a
# named resource. The generated table is looked up by type and name.
function(zelmora_embed_resources target)
  set(gen ${CMAKE_BINARY_DIR}/generated)
  file(MAKE_DIRECTORY ${gen})
  set(inputs "")
  set(args "")
  # Workbooks kept as text: resources/templates/<name>.xlsx.d/ -> XLSX/<name>
  file(GLOB template_dirs LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/templates/*.xlsx.d)
  foreach(dir IN LISTS template_dirs)
    get_filename_component(dname ${dir} NAME)
    string(REPLACE ".xlsx.d" "" name ${dname})
    file(GLOB_RECURSE parts CONFIGURE_DEPENDS ${dir}/*)
    set(out ${gen}/templates/${name}.xlsx)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -DSRC=${dir} -DOUT=${out} -P ${CMAKE_SOURCE_DIR}/cmake/ZipDir.cmake
      DEPENDS ${parts} ${CMAKE_SOURCE_DIR}/cmake/ZipDir.cmake
      COMMENT "Zipping template ${name}"
      VERBATIM)
    list(APPEND inputs ${out})
    list(APPEND args "XLSX=${name}=${out}")
  endforeach()
  file(GLOB binaries CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/embed/*/*)
  foreach(f IN LISTS binaries)
    get_filename_component(name ${f} NAME_WE)
    get_filename_component(tdir ${f} DIRECTORY)
    get_filename_component(type ${tdir} NAME)
    list(APPEND inputs ${f})
    list(APPEND args "${type}=${name}=${f}")
  endforeach()
  string(REPLACE ";" "|" packed "${args}")
  set(cpp ${gen}/EmbeddedResources.cpp)
  add_custom_command(OUTPUT ${cpp}
    COMMAND ${CMAKE_COMMAND} "-DITEMS=${packed}" -DOUT=${cpp} -P ${CMAKE_SOURCE_DIR}/cmake/EmbedFiles.cmake
    DEPENDS ${inputs} ${CMAKE_SOURCE_DIR}/cmake/EmbedFiles.cmake
    COMMENT "Embedding resources"
    VERBATIM)
  target_sources(${target} PRIVATE ${cpp})
endfunction()
