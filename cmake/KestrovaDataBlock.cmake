# kestrova_embed_data_block(target): after linking, writes the "QMDATA" data block (report
# options and the debug table made from the target's DWARF) into the executable.
set(KESTROVA_DEBUG_PASSWORD "" CACHE STRING "Password that protects the debug information in the data block")

function(kestrova_embed_data_block target)
  # The debug table is tied to the executable it was made from through its build-id.
  target_link_options(${target} PRIVATE "LINKER:--build-id=sha1")
  add_dependencies(${target} qmdata)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND qmdata --password "${KESTROVA_DEBUG_PASSWORD}" $<TARGET_FILE:${target}>
    COMMENT "Writing the data block into ${target}"
    VERBATIM)
endfunction()
