# Writes OUTPUT, a header defining NAME as a digest of the contents of SOURCES
# (a list separated by "|"): run at build time whenever one of them changes.
string(REPLACE "|" ";" sources "${SOURCES}")
set(digest "")
foreach(source IN LISTS sources)
    file(MD5 "${source}" one)
    string(APPEND digest "${one}")
endforeach()
string(MD5 digest "${digest}")
string(SUBSTRING "${digest}" 0 16 digest)
file(WRITE "${OUTPUT}" "// Generated from the sources that draw the art; do not edit.\n#pragma once\n#define ${NAME} \"${digest}\"\n")
