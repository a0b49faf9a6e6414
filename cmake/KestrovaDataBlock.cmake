# kestrova_embed_data_block(target [DIALOG_CLOSE_SECS n]): after linking, writes the "QMDATA"
# data block (report options and the debug table made from the target's DWARF) into the
# executable. DIALOG_CLOSE_SECS makes a test build whose report dialog closes by itself.
set(KESTROVA_DEBUG_PASSWORD "" CACHE STRING "Password that protects the debug information in the data block")

function(kestrova_embed_data_block target)
  cmake_parse_arguments(arg "" "DIALOG_CLOSE_SECS" "" ${ARGN})
  set(overrides)
  if(arg_DIALOG_CLOSE_SECS)
    set(overrides --dialog-close-secs ${arg_DIALOG_CLOSE_SECS})
  endif()
  # The debug table is tied to the executable it was made from through its build-id.
  target_link_options(${target} PRIVATE "LINKER:--build-id=sha1")
  add_dependencies(${target} qmdata)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND qmdata --password "${KESTROVA_DEBUG_PASSWORD}" ${overrides} $<TARGET_FILE:${target}>
    COMMENT "Writing the data block into ${target}"
    VERBATIM)
endfunction()
