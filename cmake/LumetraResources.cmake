# lumetra_add_resources(TARGET MANIFEST [DEPENDS files-or-targets...])
# Packs the resources MANIFEST lists (see tools/rc/Manifest.h) into a container and appends it to
# TARGET's file after every link, so the program finds them with FindResourceW. A changed manifest
# or resource file repacks the container and links the target again. DEPENDS names what generates
# resource files, when the build makes them.
function(lumetra_add_resources target manifest)
  cmake_parse_arguments(A "" "" "DEPENDS" ${ARGN})
  get_filename_component(manifest ${manifest} ABSOLUTE)
  get_filename_component(folder ${manifest} DIRECTORY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${manifest})

  # The files the manifest names: the fourth field onwards of each line that is not a comment.
  file(STRINGS ${manifest} lines)
  set(files "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*([^ \t#][^ \t]*)[ \t]+[^ \t]+[ \t]+[^ \t]+[ \t]+(.*[^ \t\r])[ \t\r]*$")
      set(file ${CMAKE_MATCH_2})
      if(NOT IS_ABSOLUTE ${file})
        set(file ${folder}/${file})
      endif()
      list(APPEND files ${file})
    endif()
  endforeach()

  set(container ${CMAKE_CURRENT_BINARY_DIR}/${target}.resources)
  add_custom_command(OUTPUT ${container}
                     COMMAND lumetra_rc pack ${manifest} ${container}
                     DEPENDS lumetra_rc ${manifest} ${files} ${A_DEPENDS}
                     COMMENT "Packing the resources of ${target}"
                     VERBATIM)
  add_custom_target(${target}_resources DEPENDS ${container})
  add_dependencies(${target} ${target}_resources)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${container})
  add_custom_command(TARGET ${target} POST_BUILD
                     COMMAND lumetra_rc attach $<TARGET_FILE:${target}> ${container}
                     VERBATIM)
endfunction()
