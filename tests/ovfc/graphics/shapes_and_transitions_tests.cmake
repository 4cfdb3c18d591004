# Shapes and panels, themed elements, transitions and the window animation.
velmor_add_test(ovfc_graphics_shapes_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/picture_test_support.cpp
        ${CMAKE_CURRENT_LIST_DIR}/shapes_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/element_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/transition_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/animate_test.cpp
    LIBRARIES ovfc_graphics ovfc_phone_fixture)
target_compile_definitions(ovfc_graphics_shapes_test PRIVATE
    VELMOR_BUILT_DEVICE_ROOT="${CMAKE_BINARY_DIR}/device")

# Every element and panel on one screen, checked against a reference picture
# (recreated only with VELMOR_UPDATE_REFERENCES=1), and the fifteen
# transitions recorded frame by frame.
add_executable(graphics_gallery ${CMAKE_CURRENT_LIST_DIR}/graphics_gallery.cpp)
target_link_libraries(graphics_gallery PRIVATE ovfc_graphics ovfc_phone_session)
target_compile_definitions(graphics_gallery PRIVATE VELMOR_BUILT_DEVICE_ROOT="${CMAKE_BINARY_DIR}/device")
add_dependencies(graphics_gallery ovres)
add_test(NAME ovfc_graphics_gallery
    COMMAND graphics_gallery
        --screenshot ${CMAKE_CURRENT_BINARY_DIR}/graphics_gallery.png
        --reference ${CMAKE_CURRENT_LIST_DIR}/references/graphics_gallery.png
        --record ${CMAKE_CURRENT_BINARY_DIR}/graphics_gallery_recording)
