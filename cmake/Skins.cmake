# The skins: XML files copied and SVG sources rendered to PNG at build time into
# <build>/skin, beside the program, and installed to share/kvup/skin.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)

set(KVUP_SKIN_SOURCE ${CMAKE_SOURCE_DIR}/ui/skin)
set(KVUP_SKIN_DIR ${CMAKE_BINARY_DIR}/skin)
set(KVUP_SKIN_GENERATED ${CMAKE_BINARY_DIR}/skin-svg)
set(kvup_skin_outputs)

# kvup_skin_png(SVG PNG SIZE): renders SVG into <skin dir>/PNG, SIZE pixels wide.
function(kvup_skin_png svg png size)
  add_custom_command(
    OUTPUT ${KVUP_SKIN_DIR}/${png}
    COMMAND ${RSVG_CONVERT} --width ${size} --keep-aspect-ratio -o ${KVUP_SKIN_DIR}/${png} ${svg}
    DEPENDS ${svg}
    COMMENT "Rendering skin image ${png}"
    VERBATIM)
  set(kvup_skin_outputs ${kvup_skin_outputs} ${KVUP_SKIN_DIR}/${png} PARENT_SCOPE)
endfunction()

# kvup_skin_template(TEMPLATE OUT.svg VAR=VALUE...): fills a template's @VAR@ fields.
function(kvup_skin_template template out)
  foreach(assignment ${ARGN})
    string(REGEX MATCH "^([A-Z]+)=(.*)$" _ "${assignment}")
    set(${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
  endforeach()
  configure_file(${KVUP_SKIN_SOURCE}/images/${template} ${KVUP_SKIN_GENERATED}/${out} @ONLY)
endfunction()

file(MAKE_DIRECTORY ${KVUP_SKIN_DIR} ${KVUP_SKIN_GENERATED})

# Images drawn as they are.
foreach(name btn_start btn_play btn_pause btn_del)
  kvup_skin_png(${KVUP_SKIN_SOURCE}/images/${name}.svg ${name}.png 16)
endforeach()
kvup_skin_png(${KVUP_SKIN_SOURCE}/images/progress_bg.svg progress_bg.png 279)
kvup_skin_png(${KVUP_SKIN_SOURCE}/images/progress_in.svg progress_in.png 279)
kvup_skin_png(${KVUP_SKIN_SOURCE}/images/tab_line.svg tab_line.png 40)
# The drop window's faces, online and offline, and the tool-tip window's card,
# at their window sizes.
kvup_skin_template(dnd_face.svg.in dnd_bg.svg "TOP=#4A95FF" "BOTTOM=#1F6FE5" "EDGE=#1553B8"
                   STRUCK=0)
kvup_skin_template(dnd_face.svg.in dnd_offline.svg "TOP=#A3AAB4" "BOTTOM=#788190" "EDGE=#5C6470"
                   STRUCK=1)
kvup_skin_png(${KVUP_SKIN_GENERATED}/dnd_bg.svg dnd_bg.png 131)
kvup_skin_png(${KVUP_SKIN_GENERATED}/dnd_offline.svg dnd_offline.png 131)
kvup_skin_png(${KVUP_SKIN_SOURCE}/images/tip_bg.svg tip_bg.png 275)
kvup_skin_png(${KVUP_SKIN_SOURCE}/images/btn_mgr.svg btn_mgr.png 16)

# The play and pause glyphs of the window's buttons: blue when they can be
# pressed ("_n"), grey when not ("_g").
foreach(glyph play pause)
  foreach(look "n|#2F7DF6" "g|#C0C6CF")
    string(REPLACE "|" ";" look "${look}")
    list(GET look 0 suffix)
    list(GET look 1 color)
    kvup_skin_template(glyph_${glyph}.svg.in ${glyph}_${suffix}.svg COLOR=${color})
    kvup_skin_png(${KVUP_SKIN_GENERATED}/${glyph}_${suffix}.svg ${glyph}_${suffix}.png 16)
  endforeach()
endforeach()

# File-type icons: kind|band colour|label|label size.
set(kvup_file_kinds
  "txt|#7A8699|TXT|9" "word|#2B6CD9|DOC|9" "excel|#1E9E5A|XLS|9" "ppt|#E0642B|PPT|9"
  "pdf|#D93A3A|PDF|9" "rar|#8A5CD6|ZIP|9" "csv|#2FA37C|CSV|9" "img|#F0A020|IMG|9"
  "grid|#3A9BC8|GRID|7.5" "audio|#E04A8C|MP3|9" "video|#6A55E0|VIDEO|6.5" "vcf|#2C9CA8|VCF|9"
  "default|#A3ACB9|FILE|7.5")
foreach(entry ${kvup_file_kinds})
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 kind)
  list(GET entry 1 color)
  list(GET entry 2 label)
  list(GET entry 3 fontsize)
  kvup_skin_template(filetype.svg.in cdBig_${kind}.svg COLOR=${color} LABEL=${label}
                     FONTSIZE=${fontsize})
  kvup_skin_template(filetype_small.svg.in cdSmall_${kind}.svg COLOR=${color})
  kvup_skin_png(${KVUP_SKIN_GENERATED}/cdBig_${kind}.svg cdBig_${kind}.png 50)
  kvup_skin_png(${KVUP_SKIN_GENERATED}/cdSmall_${kind}.svg cdSmall_${kind}.png 16)
endforeach()

# The skin files themselves.
file(GLOB kvup_skin_xml CONFIGURE_DEPENDS ${KVUP_SKIN_SOURCE}/*.xml)
foreach(xml ${kvup_skin_xml})
  get_filename_component(name ${xml} NAME)
  add_custom_command(
    OUTPUT ${KVUP_SKIN_DIR}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${xml} ${KVUP_SKIN_DIR}/${name}
    DEPENDS ${xml}
    VERBATIM)
  list(APPEND kvup_skin_outputs ${KVUP_SKIN_DIR}/${name})
endforeach()

add_custom_target(kvup_skin ALL DEPENDS ${kvup_skin_outputs})
install(DIRECTORY ${KVUP_SKIN_DIR}/ DESTINATION share/kvup/skin)
