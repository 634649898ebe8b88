# Turns resource files into a C++ source with one byte array each, so the
# program carries its texts and pictures and reads no file at run time.
#
#   tarn_embed(<output.cpp> <symbol-prefix> <file>...)
#
# Generates a table `EmbeddedFile <prefix>Files[]` of {name, data, size},
# where name is the file's name without directory.

set(TARN_EMBED_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/EmbedScript.cmake")

function(tarn_embed output prefix)
  set(files ${ARGN})
  add_custom_command(
    OUTPUT "${output}"
    COMMAND "${CMAKE_COMMAND}" -DOUTPUT=${output} -DPREFIX=${prefix}
            "-DFILES=${files}" -P "${TARN_EMBED_SCRIPT}"
    DEPENDS ${files} "${TARN_EMBED_SCRIPT}"
    COMMENT "Embedding ${prefix} resources"
    VERBATIM)
endfunction()
