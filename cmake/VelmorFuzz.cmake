# velmor_add_fuzzer(NAME SOURCE LIBRARIES... CORPUS DIR)
#
# A fuzz target is one LLVMFuzzerTestOneInput function. With VELMOR_LIBFUZZER
# (the "fuzz" preset, clang) it links against libFuzzer; otherwise it links a
# small driver that replays the seed corpus and a fixed number of seeded
# mutations of it, so every build runs the target over hostile input.
function(velmor_add_fuzzer name source)
    cmake_parse_arguments(FUZZ "" "CORPUS" "LIBRARIES" ${ARGN})
    add_executable(${name} ${source})
    target_link_libraries(${name} PRIVATE ${FUZZ_LIBRARIES})
    if(VELMOR_LIBFUZZER)
        target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
        # libFuzzer adds what it finds to the first folder it is given: that
        # is one in the build tree, so a run never writes into the sources.
        set(found ${CMAKE_CURRENT_BINARY_DIR}/${name}-found)
        file(MAKE_DIRECTORY ${found})
        set(smoke_args -runs=20000 -max_total_time=20 ${found} ${FUZZ_CORPUS})
    else()
        target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/fuzz/standalone_driver.cpp)
        set(smoke_args --mutations 3000 ${FUZZ_CORPUS})
    endif()
    if(VELMOR_TESTS)
        add_test(NAME ${name}_smoke COMMAND ${name} ${smoke_args})
        set_tests_properties(${name}_smoke PROPERTIES LABELS fuzz TIMEOUT 120)
    endif()
endfunction()
