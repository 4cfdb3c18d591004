# Pictures and the image cache, device-context helpers, fonts and text, and
# the platform resource library ovres.dll with its themes.
target_sources(ovfc_graphics PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ov_dc_helpers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ov_font.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ov_image.cpp
)

include(${PROJECT_SOURCE_DIR}/assets/ovres/ovres.cmake)
include(${PROJECT_SOURCE_DIR}/assets/brisell/brisell.cmake)
