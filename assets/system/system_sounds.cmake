# The phone's system sounds, played by the key-sound service from \Windows:
#   <device root>/Windows/keyloud.wav   the key tick
#   <device root>/Windows/switch.wav    the switch click
# Both come from velmor-wavegen --system, which writes the same bytes on every
# run.
#
# For others:
#   target system_sounds          builds both (part of ALL)
#   VELMOR_SYSTEM_SOUNDS_DIR      the device root's Windows folder holding them
# A test that plays them adds add_dependencies(<test> system_sounds).
set(system_sounds_work_dir ${CMAKE_BINARY_DIR}/system_sounds)
set(system_sounds_windows_dir ${CMAKE_BINARY_DIR}/device/Windows)
set(system_sounds_names keyloud.wav switch.wav)

set(system_sounds_made)
set(system_sounds_installed)
foreach(name IN LISTS system_sounds_names)
    list(APPEND system_sounds_made ${system_sounds_work_dir}/${name})
    list(APPEND system_sounds_installed ${system_sounds_windows_dir}/${name})
endforeach()

add_custom_command(OUTPUT ${system_sounds_made}
    COMMAND velmor-wavegen --system ${system_sounds_work_dir}
    DEPENDS velmor-wavegen
    COMMENT "Synthesising the phone's key and switch clicks"
    VERBATIM)

add_custom_command(OUTPUT ${system_sounds_installed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${system_sounds_windows_dir}
    COMMAND ${CMAKE_COMMAND} -E copy ${system_sounds_made} ${system_sounds_windows_dir}
    DEPENDS ${system_sounds_made}
    COMMENT "Laying the system sounds into the device root"
    VERBATIM)

add_custom_target(system_sounds ALL DEPENDS ${system_sounds_installed})
set(VELMOR_SYSTEM_SOUNDS_DIR ${system_sounds_windows_dir} CACHE INTERNAL "Folder of the built keyloud.wav and switch.wav")
