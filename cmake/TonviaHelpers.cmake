# tonvia_library(<folder-name> SOURCES ... [DEPS ...] [PRIVATE_DEPS ...])
# One static library per src/ folder, reachable as tonvia::<folder-name>. Headers are
# included as "<folder>/<header>.h" from the src/ root.
function(tonvia_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(tonvia_${name} STATIC ${ARG_SOURCES})
  add_library(tonvia::${name} ALIAS tonvia_${name})
  target_include_directories(tonvia_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(tonvia_${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()

# tonvia_test(<name> SOURCES ... LIBS ... [LABELS ...])
# A GoogleTest program registered with CTest. Every test runs with its own temporary
# working directory and settings folder, so no test touches the user's real files.
function(tonvia_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} tonvia_test_support GTest::gtest GTest::gmock)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS "unit;${ARG_LABELS}" TIMEOUT 300)
endfunction()

# tonvia_embed_resource(<target> <resource-name> <file>)
# Links the bytes of <file> into <target> and registers them under <resource-name> in the
# resource registry at start-up.
function(tonvia_embed_resource target resource file)
  string(MAKE_C_IDENTIFIER "${resource}" ident)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/embedded_${ident}.cpp")
  file(WRITE "${out}.in"
"// Generated: embeds ${file} as resource \"${resource}\".
#include \"platform/resources.h\"

__asm__(\".section .rodata\\n\"
        \".balign 16\\n\"
        \".global tonvia_embedded_${ident}_begin\\n\"
        \"tonvia_embedded_${ident}_begin:\\n\"
        \".incbin \\\"${file}\\\"\\n\"
        \".global tonvia_embedded_${ident}_end\\n\"
        \"tonvia_embedded_${ident}_end:\\n\"
        \".byte 0\\n\"
        \".previous\\n\");

extern \"C\" const unsigned char tonvia_embedded_${ident}_begin[];
extern \"C\" const unsigned char tonvia_embedded_${ident}_end[];

namespace {
const bool kRegistered = tonvia::platform::RegisterResource(
    \"${resource}\", {tonvia_embedded_${ident}_begin, tonvia_embedded_${ident}_end});
}  // namespace
")
  configure_file("${out}.in" "${out}" COPYONLY)
  target_sources(${target} PRIVATE "${out}")
  set_source_files_properties("${out}" PROPERTIES OBJECT_DEPENDS "${file}")
endfunction()
