# ludra_embed(<target-source-var> <input-file> <symbol>)
# Compiles a file into the program as `extern const std::string_view <symbol>`, byte for byte.
function(ludra_embed out_var input symbol)
  set(output "${CMAKE_CURRENT_BINARY_DIR}/${symbol}.cpp")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -DSYMBOL=${symbol}
            -P "${PROJECT_SOURCE_DIR}/cmake/EmbedFile.cmake"
    DEPENDS "${input}" "${PROJECT_SOURCE_DIR}/cmake/EmbedFile.cmake"
    VERBATIM)
  set(${out_var} "${output}" PARENT_SCOPE)
endfunction()
