# The desktop identity of the window program and its icon, shared by the
# window (its own icon, a Qt resource) and the packages (the menu entry and
# the icon theme): one SVG, every PNG size rendered from it at build time.

set(TULEX_APP_ID org.tulex.Tulex)
set(TULEX_ICON_SVG ${CMAKE_CURRENT_LIST_DIR}/icons/${TULEX_APP_ID}.svg)
set(TULEX_ICON_SIZES 16 24 32 48 64 128 256)

# Renders the icon at every size into DIR/NxN/apps/<id>.png (the icon
# theme's layout) and sets OUT_VAR to the list of PNG files. The files are
# outputs of the calling directory: add them to a target there.
function(tulex_render_icons dir out_var)
  find_program(TULEX_RSVG_CONVERT rsvg-convert)
  if(NOT TULEX_RSVG_CONVERT)
    message(FATAL_ERROR "rsvg-convert is missing (apt-get install librsvg2-bin; scripts/setup-deps does it): "
      "the window's icons are rendered from ${TULEX_ICON_SVG}")
  endif()
  set(pngs)
  foreach(size ${TULEX_ICON_SIZES})
    set(png ${dir}/${size}x${size}/apps/${TULEX_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}/${size}x${size}/apps
      COMMAND ${TULEX_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${TULEX_ICON_SVG}
      DEPENDS ${TULEX_ICON_SVG}
      COMMENT "Rendering the ${size}x${size} icon"
      VERBATIM)
    list(APPEND pngs ${png})
  endforeach()
  set(${out_var} ${pngs} PARENT_SCOPE)
endfunction()
