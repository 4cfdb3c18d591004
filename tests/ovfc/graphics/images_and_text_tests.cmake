# Pictures, the image cache, the drawing helpers, fonts and the built
# ovres.dll with its themes.
velmor_add_test(ovfc_graphics_images_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/picture_test_support.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ov_image_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ov_dc_helpers_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ov_font_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ovres_test.cpp
    LIBRARIES ovfc_graphics ovfc_phone_fixture)
target_compile_definitions(ovfc_graphics_images_test PRIVATE
    VELMOR_BUILT_DEVICE_ROOT="${CMAKE_BINARY_DIR}/device")
# The test reads the libraries the build packs.
add_dependencies(ovfc_graphics_images_test ovres)
