# Shapes, rounded panels, themed elements, window transitions and the
# framework window's show and hide animation.
target_sources(ovfc_graphics PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ov_animate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ov_element.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ov_input_panel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ov_overlay.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ov_panels.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ov_shapes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ov_transition.cpp
)
