# The text push button and the message box on the headless phone, and the
# controls gallery: a phone program run under its scenario scripts against
# kept reference screens (recreated only with VELMOR_UPDATE_REFERENCES=1).
velmor_add_test(ovfc_button_msgbox_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/ui_text_button_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ov_msg_box_test.cpp
        ${CMAKE_SOURCE_DIR}/tests/ovfc/graphics/picture_test_support.cpp
    LIBRARIES ovfc_ui ovfc_phone_fixture ovfc_core_test_windows platform_shell)
target_compile_definitions(ovfc_button_msgbox_test PRIVATE VELMOR_BUILT_DEVICE_ROOT="${CMAKE_BINARY_DIR}/device")
if(TARGET ovres)
    add_dependencies(ovfc_button_msgbox_test ovres)
endif()

velmor_add_phone_program(ovfc_controls_gallery
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/gallery/controls_gallery.cpp
        ${CMAKE_CURRENT_LIST_DIR}/gallery/gallery_controls.cpp
    LIBRARIES ovfc_ui)

velmor_add_test(ovfc_controls_gallery_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/gallery/gallery_run_test.cpp
    LIBRARIES ovfc_phone_session)
add_dependencies(ovfc_controls_gallery_test ovfc_controls_gallery)
if(TARGET ovres)
    add_dependencies(ovfc_controls_gallery_test ovres)
endif()
target_compile_definitions(ovfc_controls_gallery_test PRIVATE
    OVFC_CONTROLS_GALLERY="$<TARGET_FILE:ovfc_controls_gallery>"
    OVFC_GALLERY_SCRIPTS="${CMAKE_CURRENT_LIST_DIR}/gallery"
    OVFC_GALLERY_FAILURES="${CMAKE_CURRENT_BINARY_DIR}/gallery-failures"
    OVFC_BUILT_DEVICE_ROOT="${CMAKE_BINARY_DIR}/device")
