# vtr_wayland_client_protocol(TARGET XML): client code for one Wayland protocol, made by
# wayland-scanner at build time and added to TARGET (a C library), whose users then
# include "<name>-client-protocol.h".
find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)
pkg_get_variable(WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
if(NOT WAYLAND_PROTOCOLS_DIR)
    message(FATAL_ERROR "wayland-protocols is missing (scripts/deps.sh installs it)")
endif()
set(VTR_VENDORED_PROTOCOLS_DIR ${PROJECT_SOURCE_DIR}/third_party/wayland-protocols)

function(vtr_wayland_client_protocol target xml)
    get_filename_component(name ${xml} NAME_WE)
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/protocols)
    set(header ${dir}/${name}-client-protocol.h)
    set(code ${dir}/${name}-protocol.c)
    add_custom_command(OUTPUT ${header} ${code}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${header}
        COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${code}
        DEPENDS ${xml} VERBATIM)
    target_sources(${target} PRIVATE ${header} ${code})
    target_include_directories(${target} PUBLIC ${dir})
endfunction()
