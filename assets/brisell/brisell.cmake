# The shaver's resource library BrisellRes.dll and its variant sounds.
#
# brisell.manifest lists the library's resources. Each picture "NAME.png" is
# rendered from NAME.svg in this folder at the SVG's own size; the sounds come
# from velmor-wavegen. The library and the ten shake sounds land where the
# phone looks for them, beside the program in the device root the build lays
# out:
#   <device root>/Program Files/Velmor/BrisellRes.dll
#   <device root>/Program Files/Velmor/WAVE/shaver_v1.wav ... shaver_v10.wav
#
# For others:
#   target brisell_res            builds both (part of ALL)
#   VELMOR_BRISELL_RES_DLL        full path of the built BrisellRes.dll
#   VELMOR_BRISELL_WAVE_DIR       folder of the variant files
#   VELMOR_BRISELL_DEVICE_ROOT    the device root holding them
# A test that loads them adds add_dependencies(<test> brisell_res).
find_program(VELMOR_RSVG_CONVERT rsvg-convert)
if(NOT VELMOR_RSVG_CONVERT)
    message(FATAL_ERROR
        "rsvg-convert was not found: the shaver's pictures (assets/brisell/*.svg) are rendered with it. "
        "Install the Debian package librsvg2-bin (scripts/bootstrap does).")
endif()

set(brisell_source_dir ${CMAKE_CURRENT_LIST_DIR})
set(brisell_work_dir ${CMAKE_BINARY_DIR}/brisell)
set(brisell_sound_dir ${brisell_work_dir}/sounds)
set(brisell_program_dir "${CMAKE_BINARY_DIR}/device/Program Files/Velmor")
set(brisell_library "${brisell_program_dir}/BrisellRes.dll")
set(brisell_variant_dir "${brisell_program_dir}/WAVE")

# The manifest sits among the files it names, so its relative names hold.
configure_file(${brisell_source_dir}/brisell.manifest ${brisell_work_dir}/brisell.manifest COPYONLY)
file(STRINGS ${brisell_source_dir}/brisell.manifest brisell_lines REGEX "^[0-9]+[ \t]+(RCDATA|WAVE)[ \t]+")

set(brisell_pictures)
set(brisell_sounds)
foreach(line IN LISTS brisell_lines)
    string(REGEX REPLACE "^[0-9]+[ \t]+([A-Z]+)[ \t]+(.+)$" "\\1;\\2" fields "${line}")
    list(GET fields 0 type)
    list(GET fields 1 file)
    if(type STREQUAL "RCDATA")
        get_filename_component(name ${file} NAME_WE)
        set(svg ${brisell_source_dir}/${name}.svg)
        if(NOT EXISTS ${svg})
            message(FATAL_ERROR "assets/brisell/brisell.manifest names ${file}, but there is no ${name}.svg to render it from")
        endif()
        set(png ${brisell_work_dir}/${file})
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${brisell_work_dir}
            COMMAND ${VELMOR_RSVG_CONVERT} --format png --output ${png} ${svg}
            DEPENDS ${svg}
            COMMENT "Rendering shaver picture ${name}"
            VERBATIM)
        list(APPEND brisell_pictures ${png})
    else()
        list(APPEND brisell_sounds ${brisell_work_dir}/${file})
    endif()
endforeach()

set(brisell_variants)
set(brisell_installed_variants)
foreach(number RANGE 1 10)
    list(APPEND brisell_variants ${brisell_sound_dir}/shaver_v${number}.wav)
    list(APPEND brisell_installed_variants "${brisell_variant_dir}/shaver_v${number}.wav")
endforeach()

# One run writes every sound; it is deterministic, so a rebuild changes nothing.
add_custom_command(OUTPUT ${brisell_sounds} ${brisell_variants}
    COMMAND velmor-wavegen ${brisell_sound_dir}
    DEPENDS velmor-wavegen
    COMMENT "Synthesising the shaver's sounds"
    VERBATIM)

add_custom_command(OUTPUT "${brisell_library}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${brisell_program_dir}"
    COMMAND velmor-res pack "${brisell_library}" ${brisell_work_dir}/brisell.manifest
    DEPENDS ${brisell_pictures} ${brisell_sounds} ${brisell_work_dir}/brisell.manifest
        ${brisell_source_dir}/brisell.manifest velmor-res
    COMMENT "Packing BrisellRes.dll"
    VERBATIM)

add_custom_command(OUTPUT ${brisell_installed_variants}
    COMMAND ${CMAKE_COMMAND} -E make_directory "${brisell_variant_dir}"
    COMMAND ${CMAKE_COMMAND} -E copy ${brisell_variants} "${brisell_variant_dir}"
    DEPENDS ${brisell_variants}
    COMMENT "Installing the shaver's variant sounds"
    VERBATIM)

add_custom_target(brisell_res ALL DEPENDS "${brisell_library}" ${brisell_installed_variants})
set(VELMOR_BRISELL_RES_DLL "${brisell_library}" CACHE INTERNAL "The built BrisellRes.dll in the device root")
set(VELMOR_BRISELL_WAVE_DIR "${brisell_variant_dir}" CACHE INTERNAL "Folder of the built shaver_v1.wav ... shaver_v10.wav")
set(VELMOR_BRISELL_DEVICE_ROOT ${CMAKE_BINARY_DIR}/device CACHE INTERNAL "Device root holding BrisellRes.dll")
