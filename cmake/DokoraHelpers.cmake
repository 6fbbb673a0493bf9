# Strict warnings for the project's own targets; they become errors only in the developers'
# and CI's builds (DOKORA_WERROR), never in a user's or a packager's.
function(dokora_strict target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wnon-virtual-dtor)
    if(DOKORA_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# Embeds FILE into TARGET as the byte array SYMBOL (see EmbedFile.cmake).
function(dokora_embed target symbol file)
    set(output "${CMAKE_CURRENT_BINARY_DIR}/embedded_${symbol}.cpp")
    add_custom_command(
        OUTPUT "${output}"
        COMMAND ${CMAKE_COMMAND} -DINPUT=${file} -DOUTPUT=${output} -DNAME=${symbol}
                -P "${PROJECT_SOURCE_DIR}/cmake/EmbedFile.cmake"
        DEPENDS "${file}" "${PROJECT_SOURCE_DIR}/cmake/EmbedFile.cmake"
        COMMENT "Embedding ${file}")
    target_sources(${target} PRIVATE "${output}")
endfunction()
